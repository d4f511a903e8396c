#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/bass.h"

namespace sonvaro::test {

// Small tagged files made once by the command-line encoders and reused.
inline std::string TagFixture(const std::string& name) {
    const std::string folder = std::string(SONVARO_FIXTURES) + "/tags/";
    const std::string path = folder + name;
    if (std::filesystem::exists(path)) return path;
    std::filesystem::create_directories(folder);
    const std::string wav = folder + "tone.wav";
    std::string command;
    if (name == "tone.wav") {
        command = "sox -n -r 44100 -c 2 -b 16 '" + path + "' synth 3 sine 1000";
    } else {
        TagFixture("tone.wav");
        const std::string tmp = folder + "tmp-" + name;
        if (name == "tagged.mp3")
            command =
                "lame --quiet -b 192 --tt 'Grüß Gott' --ta Band --tl Album --ty 2004 --tn 3/12 --tg Rock "
                "--tc 'a|b' '" +
                wav + "' '" + tmp + "'";
        else if (name == "untagged.mp3")
            command = "lame --quiet -b 128 '" + wav + "' '" + tmp + "'";
        else if (name == "plain.mp2")
            command = "ffmpeg -v error -y -i '" + wav + "' -c:a mp2 -f mp2 '" + tmp + "'";
        else if (name == "tagged.ogg")
            command = "oggenc -Q -t 'Öl' -a 'Ögg' -N 7 '" + wav + "' -o '" + tmp + "'";
        else if (name == "tagged.flac")
            command = "flac -s -f -T TITLE=Flac -T ARTIST=Fla '" + wav + "' -o '" + tmp + "'";
        else if (name == "tagged.m4a")
            command = "ffmpeg -v error -y -i '" + wav +
                      "' -c:a aac -metadata title='M4 Title' -metadata artist=M4A "
                      "-metadata track=5/9 -metadata date=1999-01-01 '" +
                      tmp + "'";
        else if (name == "tagged.wma")
            command = "ffmpeg -v error -y -i '" + wav +
                      "' -c:a wmav2 -metadata title='W Title' -metadata "
                      "author=Autor -metadata WM/Year=2001 '" +
                      tmp + "'";
        else
            ADD_FAILURE() << "no recipe for " << name;
        command += " && mv '" + tmp + "' '" + path + "'";
    }
    if (std::system(command.c_str()) != 0) ADD_FAILURE() << "fixture failed: " << command;
    return path;
}

// Copies a fixture to a scratch path (for tests that change files).
inline std::string CopyOf(const std::string& fixture, const std::string& target) {
    std::filesystem::copy_file(fixture, target, std::filesystem::copy_options::overwrite_existing);
    return target;
}

// Tag reading opens files with the engine, which wants to be initialised.
class EngineEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { BASS_Init(0, 44100, 0, nullptr, nullptr); }
    void TearDown() override { BASS_Free(); }
};

}  // namespace sonvaro::test
