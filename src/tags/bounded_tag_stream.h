#pragma once
#include <taglib/tfilestream.h>
#include <taglib/tiostream.h>

#include <cstddef>
#include <string>

#include "tags/id3_frame_check.h"

namespace sonvaro {

// A file opened read-only for TagLib, in which every ID3v2 tag TagLib reads
// (at the start of an MP3 or FLAC file, in a WAV or AIFF chunk) comes without
// the frames that would inflate past Id3Limits. TagLib reads a tag as its
// 10-byte header followed by one block of the size the header gives; that
// block is checked before TagLib sees it. Only for reading: a tag written
// back through it would lose the frames it hid.
class BoundedTagStream final : public TagLib::IOStream {
  public:
    explicit BoundedTagStream(const std::string& path, const Id3Limits& limits = {});

    // How many runs of frames were left out so far.
    std::size_t DroppedFrames() const { return dropped_; }

    TagLib::FileName name() const override { return file_.name(); }
    TagLib::ByteVector readBlock(unsigned long length) override;
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    bool readOnly() const override { return true; }
    bool isOpen() const override { return file_.isOpen(); }
    void seek(long offset, Position p = Beginning) override { file_.seek(offset, p); }
    void clear() override { file_.clear(); }
    long tell() const override { return file_.tell(); }
    // Asked many times per file by TagLib; each answer would cost a seek to
    // the end and back (and glibc reads a block there). A read-only file keeps its length.
    long length() override {
        if (length_ < 0) length_ = file_.length();
        return length_;
    }
    void truncate(long) override {}

  private:
    TagLib::FileStream file_;
    Id3Limits limits_;
    long tagBody_ = -1;  // where the body of the ID3v2 header read last starts
    TagLib::ByteVector tagHeader_;
    std::size_t dropped_ = 0;
    long length_ = -1;
};

}  // namespace sonvaro
