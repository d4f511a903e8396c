#include "tags/tag_writer.h"

#include <taglib/tag_c.h>

#include <mutex>

#include "core/numbers.h"
#include "core/text.h"
#include "engine/bass.h"
#include "platform/file_info.h"
#include "tags/taglib_open.h"
#include "tags/track_info_reader.h"

namespace sonvaro {
namespace {

// TagLib's C binding keeps its Unicode switch and its list of strings in
// globals: one writer at a time uses it.
std::mutex cBindingLock;

unsigned NumberField(const std::string& text) {
    const int64_t value = ParseDatNumber(TrimSpaces(text));
    return value > 0 && value <= 0xFFFFFFFFLL ? static_cast<unsigned>(value) : 0u;
}

}  // namespace

bool WriteTags(TagReader& reader, const TagEdits& edits) {
    const std::string path(TrimSpaces(edits.path));
    if (!IsNonEmptyFile(path)) return false;
    // Readers of this file wait until it is saved; other files are read meanwhile.
    const TagFileLocks::Guard writing = reader.fileLocks.Write(path);
    std::lock_guard binding(cBindingLock);
    // The engine tells the format by content, so a misnamed file is written as what it is.
    DWORD channelType = 0;
    if (const HSTREAM probe = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0)) {
        BASS_CHANNELINFO info{};
        if (BASS_ChannelGetInfo(probe, &info)) channelType = info.ctype;
        BASS_StreamFree(probe);
    }
    TagLib_File* file = OpenWithTagLib(path, channelType);
    if (!file) return false;
    TagLib_Tag* tag = taglib_file_is_valid(file) ? taglib_file_tag(file) : nullptr;
    bool saved = false;
    if (tag) {
        taglib_set_strings_unicode(1);
        auto text = [](const std::optional<std::string>& field) { return std::string(TrimSpaces(*field)); };
        if (edits.title) taglib_tag_set_title(tag, text(edits.title).c_str());
        if (edits.track) taglib_tag_set_track(tag, NumberField(*edits.track));
        if (edits.artist) taglib_tag_set_artist(tag, text(edits.artist).c_str());
        if (edits.album) taglib_tag_set_album(tag, text(edits.album).c_str());
        if (edits.year) taglib_tag_set_year(tag, NumberField(*edits.year));
        if (edits.genre) taglib_tag_set_genre(tag, text(edits.genre).c_str());
        if (edits.comment) taglib_tag_set_comment(tag, text(edits.comment).c_str());
        saved = taglib_file_save(file);
        taglib_tag_free_strings();
    }
    taglib_file_free(file);
    return saved;
}

}  // namespace sonvaro
