#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tags/tag_writer.h"

namespace sonvaro {

class TagReader;

// Fills tags from file names by a pattern such as "%track. %artist - %title":
// placeholders %title %artist %album %track %year %genre %comment (any case)
// with literal text between them. Each placeholder takes the text up to the
// next literal, the last one the rest of the name (without folder and extension).
class Autotagger {
  public:
    static constexpr const char* kDefaultPattern = "%title - %artist";

    explicit Autotagger(std::string_view pattern);

    // The fields a file name gives, or nullopt when it does not fit the pattern.
    std::optional<TagEdits> Match(const std::string& path) const;

    // "Vorschau": "Titel: X, Interpret: Y" in pattern order, or "(passt nicht)".
    std::string Preview(const std::string& path) const;

    // "Ausführen": writes the matched fields (others stay as they are);
    // returns the files that did not fit or could not be written.
    std::vector<std::string> Run(TagReader& reader, const std::vector<std::string>& paths) const;

  private:
    enum class Field { Title, Artist, Album, Track, Year, Genre, Comment };
    struct Piece {
        bool isField;
        Field field;
        std::string literal;
    };
    std::vector<Piece> pieces_;
};

}  // namespace sonvaro
