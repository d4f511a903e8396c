#include "tags/cover_art.h"

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>

#include <memory>

#include "core/text.h"
#include "tags/bounded_tag_stream.h"
#include "tags/taglib_open.h"
#include "tags/track_info_reader.h"

namespace sonvaro {
namespace {

// The first usable picture, a front cover before any other.
class Pick {
  public:
    void Offer(const TagLib::ByteVector& data, bool front) {
        if (data.isEmpty() || data.size() > kMaxCoverBytes) return;
        if (front && !front_) {
            best_ = data;
            front_ = true;
        } else if (best_.isEmpty()) {
            best_ = data;
        }
    }
    bool HasFront() const { return front_; }
    std::optional<CoverPicture> Result() const {
        if (best_.isEmpty()) return std::nullopt;
        return CoverPicture{std::string(best_.data(), best_.size())};
    }

  private:
    TagLib::ByteVector best_;
    bool front_ = false;
};

void FromId3v2(TagLib::ID3v2::Tag* tag, Pick& pick) {
    if (!tag) return;
    for (TagLib::ID3v2::Frame* frame : tag->frameList("APIC")) {
        const auto* apic = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame);
        if (apic)
            pick.Offer(apic->picture(), apic->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    }
}

void FromPictures(const TagLib::List<TagLib::FLAC::Picture*>& pictures, Pick& pick) {
    for (const TagLib::FLAC::Picture* picture : pictures)
        pick.Offer(picture->data(), picture->type() == TagLib::FLAC::Picture::FrontCover);
}

void FromXiph(TagLib::Ogg::XiphComment* comment, Pick& pick) {
    if (comment) FromPictures(comment->pictureList(), pick);
}

// An APE "Cover Art (…)" item: a file name, a zero byte, the picture.
void FromApe(TagLib::APE::Tag* tag, Pick& pick) {
    if (!tag) return;
    for (const auto& [key, item] : tag->itemListMap()) {
        const std::string name = key.to8Bit(true);
        if (!StartsWithNoCase(name, "COVER ART (") || item.type() != TagLib::APE::Item::Binary) continue;
        const TagLib::ByteVector value = item.binaryData();
        const int zero = value.find('\0');
        if (zero < 0) continue;
        pick.Offer(value.mid(static_cast<unsigned>(zero) + 1), EqualsAsciiNoCase(name, "COVER ART (FRONT)"));
    }
}

void FromFile(TagLib::File* file, Pick& pick) {
    if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file)) {
        if (mpeg->hasID3v2Tag()) FromId3v2(mpeg->ID3v2Tag(), pick);
        if (mpeg->hasAPETag()) FromApe(mpeg->APETag(), pick);
    } else if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file)) {
        FromPictures(flac->pictureList(), pick);
        if (flac->hasXiphComment()) FromXiph(flac->xiphComment(), pick);
        if (flac->hasID3v2Tag()) FromId3v2(flac->ID3v2Tag(), pick);
    } else if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file)) {
        // covr carries no picture type: the first one is the cover.
        if (TagLib::MP4::Tag* tag = mp4->tag(); tag && tag->contains("covr"))
            for (const TagLib::MP4::CoverArt& art : tag->item("covr").toCoverArtList())
                pick.Offer(art.data(), false);
    } else if (auto* wv = dynamic_cast<TagLib::WavPack::File*>(file)) {
        if (wv->hasAPETag()) FromApe(wv->APETag(), pick);
    } else if (auto* ape = dynamic_cast<TagLib::APE::File*>(file)) {
        if (ape->hasAPETag()) FromApe(ape->APETag(), pick);
    } else if (auto* wav = dynamic_cast<TagLib::RIFF::WAV::File*>(file)) {
        if (wav->hasID3v2Tag()) FromId3v2(wav->ID3v2Tag(), pick);
    } else if (auto* aiff = dynamic_cast<TagLib::RIFF::AIFF::File*>(file)) {
        if (aiff->hasID3v2Tag()) FromId3v2(aiff->tag(), pick);
    } else if (auto* asf = dynamic_cast<TagLib::ASF::File*>(file)) {
        if (TagLib::ASF::Tag* tag = asf->tag())
            for (const TagLib::ASF::Attribute& attribute : tag->attribute("WM/Picture")) {
                const TagLib::ASF::Picture picture = attribute.toPicture();
                if (picture.isValid())
                    pick.Offer(picture.picture(), picture.type() == TagLib::ASF::Picture::FrontCover);
            }
    } else if (auto* xiph = dynamic_cast<TagLib::Ogg::XiphComment*>(file->tag())) {
        FromXiph(xiph, pick);  // Ogg Vorbis, Opus, Speex, Ogg FLAC
    }
}

}  // namespace

std::string_view CoverExtension(std::string_view b) {
    if (b.size() >= 3 && b.substr(0, 3) == "\xFF\xD8\xFF") return "jpg";
    if (b.size() >= 8 && b.substr(0, 8) == "\x89PNG\r\n\x1A\n") return "png";
    if (b.size() >= 12 && b.substr(0, 4) == "RIFF" && b.substr(8, 4) == "WEBP") return "webp";
    if (b.size() >= 6 && (b.substr(0, 6) == "GIF87a" || b.substr(0, 6) == "GIF89a")) return "gif";
    if (b.size() >= 2 && b.substr(0, 2) == "BM") return "bmp";
    return {};
}

std::optional<CoverPicture> ReadEmbeddedCover(TagReader& reader, const std::string& path,
                                              uint32_t channelType) {
    const TagFileLocks::Guard reading = reader.fileLocks.Read(path);
    BoundedTagStream stream(path);
    if (!stream.isOpen()) return std::nullopt;
    std::unique_ptr<TagLib::File> typed = channelType ? TagLibFileFor(channelType, stream) : nullptr;
    const TagLib::FileRef any = typed ? TagLib::FileRef() : TagLib::FileRef(&stream, false);
    TagLib::File* file = typed ? typed.get() : any.file();
    if (!file || !file->isValid()) return std::nullopt;
    Pick pick;
    FromFile(file, pick);
    return pick.Result();
}

}  // namespace sonvaro
