#include "tags/cover_art.h"

#include <gtest/gtest.h>
#include <taglib/apetag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavpackfile.h>

#include <cstdlib>
#include <filesystem>

#include "support/fixtures.h"
#include "support/tag_fixtures.h"
#include "support/test_support.h"
#include "tags/track_info_reader.h"

namespace sonvaro {
namespace {

const auto* const kEngine = ::testing::AddGlobalTestEnvironment(new test::EngineEnvironment);

// Picture bytes that say which picture they are; the reader does not decode them.
std::string Jpeg(const std::string& mark) {
    return std::string("\xFF\xD8\xFF\xE0", 4) + mark;
}

TagLib::ByteVector Bytes(const std::string& s) {
    return TagLib::ByteVector(s.data(), static_cast<unsigned>(s.size()));
}

void AddApic(TagLib::ID3v2::Tag* tag, const std::string& data,
             TagLib::ID3v2::AttachedPictureFrame::Type type) {
    auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
    frame->setMimeType("image/jpeg");
    frame->setType(type);
    frame->setPicture(Bytes(data));
    tag->addFrame(frame);
}

TagLib::FLAC::Picture* FlacPicture(const std::string& data, TagLib::FLAC::Picture::Type type) {
    auto* picture = new TagLib::FLAC::Picture;
    picture->setMimeType("image/jpeg");
    picture->setType(type);
    picture->setData(Bytes(data));
    return picture;
}

// An 8 × 8 red PNG made by ffmpeg, for the tools that look at the picture.
std::string RedPng(const test::TempDir& dir) {
    const std::string path = dir / "red.png";
    const std::string command = "ffmpeg -v error -y -f lavfi -i color=red:s=8x8 -frames:v 1 '" + path + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return path;
}

class CoverArt : public ::testing::Test {
  protected:
    std::optional<CoverPicture> Read(const std::string& path, uint32_t ctype = 0) {
        return ReadEmbeddedCover(reader_, path, ctype);
    }
    test::TempDir dir_;
    TagReader reader_;
};

TEST_F(CoverArt, EachContainersPicture) {
    {  // ID3v2 APIC
        const std::string mp3 = test::CopyOf(test::TagFixture("tagged.mp3"), dir_ / "a.mp3");
        {  // closed before reading: TagLib writes through a stdio buffer
            TagLib::MPEG::File file(mp3.c_str());
            AddApic(file.ID3v2Tag(true), Jpeg("mp3"), TagLib::ID3v2::AttachedPictureFrame::FrontCover);
            ASSERT_TRUE(file.save());
        }
        ASSERT_TRUE(Read(mp3));
        EXPECT_EQ(Read(mp3)->data, Jpeg("mp3"));
        EXPECT_EQ(Read(mp3, BASS_CTYPE_STREAM_MP3)->data, Jpeg("mp3"));
    }
    const std::string png = RedPng(dir_);
    const std::string pngBytes = test::ReadFile(png);
    {  // MP4 covr, written by ffmpeg
        const std::string m4a = dir_ / "a.m4a";
        const std::string command = "ffmpeg -v error -y -i '" + fixtures::Path("sine.wav") + "' -i '" + png +
                                    "' -map 0 -map 1 -c:a aac -c:v copy -disposition:v attached_pic '" + m4a +
                                    "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        ASSERT_TRUE(Read(m4a));
        EXPECT_EQ(Read(m4a)->data, pngBytes);
    }
    {  // FLAC PICTURE block, written by metaflac
        const std::string flac = test::CopyOf(test::TagFixture("tagged.flac"), dir_ / "a.flac");
        const std::string command = "metaflac --import-picture-from='" + png + "' '" + flac + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        ASSERT_TRUE(Read(flac));
        EXPECT_EQ(Read(flac)->data, pngBytes);
        EXPECT_EQ(Read(flac, BASS_CTYPE_STREAM_FLAC)->data, pngBytes);
    }
    {  // Vorbis comment METADATA_BLOCK_PICTURE
        const std::string ogg = test::CopyOf(test::TagFixture("tagged.ogg"), dir_ / "a.ogg");
        {
            TagLib::Ogg::Vorbis::File file(ogg.c_str());
            file.tag()->addPicture(FlacPicture(Jpeg("ogg"), TagLib::FLAC::Picture::FrontCover));
            ASSERT_TRUE(file.save());
        }
        ASSERT_TRUE(Read(ogg));
        EXPECT_EQ(Read(ogg)->data, Jpeg("ogg"));
    }
    {  // the same in Opus
        const std::string opus = test::CopyOf(fixtures::Path("song_one.opus"), dir_ / "a.opus");
        {
            TagLib::Ogg::Opus::File file(opus.c_str());
            file.tag()->addPicture(FlacPicture(Jpeg("opus"), TagLib::FLAC::Picture::FrontCover));
            ASSERT_TRUE(file.save());
        }
        ASSERT_TRUE(Read(opus));
        EXPECT_EQ(Read(opus)->data, Jpeg("opus"));
    }
    {  // WavPack APE item "Cover Art (Front)": a file name, a zero byte, the picture
        const std::string wv = test::CopyOf(fixtures::Path("sine.wv"), dir_ / "a.wv");
        {
            TagLib::WavPack::File file(wv.c_str());
            TagLib::APE::Item item("Cover Art (Front)", Bytes(std::string("cover.jpg\0", 10) + Jpeg("wv")),
                                   true);
            file.APETag(true)->setItem("Cover Art (Front)", item);
            ASSERT_TRUE(file.save());
        }
        ASSERT_TRUE(Read(wv));
        EXPECT_EQ(Read(wv)->data, Jpeg("wv"));
    }
}

TEST_F(CoverArt, FrontCoverBeforeOtherPictures) {
    const std::string mp3 = test::CopyOf(test::TagFixture("tagged.mp3"), dir_ / "b.mp3");
    {
        TagLib::MPEG::File file(mp3.c_str());
        AddApic(file.ID3v2Tag(true), Jpeg("back"), TagLib::ID3v2::AttachedPictureFrame::BackCover);
        AddApic(file.ID3v2Tag(true), Jpeg("artist"), TagLib::ID3v2::AttachedPictureFrame::Artist);
        ASSERT_TRUE(file.save());
    }
    EXPECT_EQ(Read(mp3)->data, Jpeg("back"));  // no front cover: the first picture
    {
        TagLib::MPEG::File file(mp3.c_str());
        AddApic(file.ID3v2Tag(true), Jpeg("front"), TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        AddApic(file.ID3v2Tag(true), Jpeg("front2"), TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        ASSERT_TRUE(file.save());
    }
    EXPECT_EQ(Read(mp3)->data, Jpeg("front"));

    const std::string ogg = test::CopyOf(test::TagFixture("tagged.ogg"), dir_ / "b.ogg");
    {
        TagLib::Ogg::Vorbis::File file(ogg.c_str());
        file.tag()->addPicture(FlacPicture(Jpeg("other"), TagLib::FLAC::Picture::Other));
        file.tag()->addPicture(FlacPicture(Jpeg("front"), TagLib::FLAC::Picture::FrontCover));
        ASSERT_TRUE(file.save());
    }
    EXPECT_EQ(Read(ogg)->data, Jpeg("front"));

    const std::string wv = test::CopyOf(fixtures::Path("sine.wv"), dir_ / "b.wv");
    {
        TagLib::WavPack::File file(wv.c_str());
        const auto item = [&](const char* key, const std::string& mark) {
            file.APETag(true)->setItem(
                key, TagLib::APE::Item(key, Bytes(std::string("x\0", 2) + Jpeg(mark)), true));
        };
        item("Cover Art (Back)", "back");
        item("Cover Art (Front)", "front");
        ASSERT_TRUE(file.save());
    }
    EXPECT_EQ(Read(wv)->data, Jpeg("front"));
}

TEST_F(CoverArt, NothingFromFilesWithoutAUsablePicture) {
    EXPECT_FALSE(Read(test::TagFixture("untagged.mp3")));
    EXPECT_FALSE(Read(test::TagFixture("tagged.flac")));
    EXPECT_FALSE(Read(dir_ / "missing.mp3"));
    EXPECT_FALSE(Read(dir_.path()));  // a folder

    // An empty picture and one above the limit count as none.
    const std::string mp3 = test::CopyOf(test::TagFixture("tagged.mp3"), dir_ / "c.mp3");
    {
        TagLib::MPEG::File file(mp3.c_str());
        AddApic(file.ID3v2Tag(true), "", TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        AddApic(file.ID3v2Tag(true), Jpeg(std::string(kMaxCoverBytes, 'x')),
                TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        ASSERT_TRUE(file.save());
    }
    EXPECT_FALSE(Read(mp3));

    // Damaged files: a picture block cut short, garbage with an audio name.
    const std::string flac = test::CopyOf(test::TagFixture("tagged.flac"), dir_ / "c.flac");
    ASSERT_EQ(std::system(("metaflac --import-picture-from='" + RedPng(dir_) + "' '" + flac + "'").c_str()),
              0);
    std::filesystem::resize_file(flac, 200);
    EXPECT_FALSE(Read(flac));
    test::WriteFile(dir_ / "junk.ogg", "OggS" + std::string(5000, '\xFF'));
    EXPECT_FALSE(Read(dir_ / "junk.ogg"));
}

TEST(CoverExtension, ToldByTheFirstBytes) {
    using namespace std::literals;
    EXPECT_EQ(CoverExtension(std::string("\xFF\xD8\xFF\xDB", 4)), "jpg");
    EXPECT_EQ(CoverExtension(std::string("\x89PNG\r\n\x1A\n....", 12)), "png");
    EXPECT_EQ(CoverExtension("RIFF\x10\0\0\0WEBPVP8 "sv), "webp");
    EXPECT_EQ(CoverExtension("GIF89a..."), "gif");
    EXPECT_EQ(CoverExtension("RIFF\x10\0\0\0WAVEfmt "sv), "");
    EXPECT_EQ(CoverExtension("\xFF\xD8"), "");
    EXPECT_EQ(CoverExtension(""), "");
}

}  // namespace
}  // namespace sonvaro
