// The language-file reader: an event-driven XML parse (expat) that turns
// every element whose text sits on one line into a dictionary entry keyed by
// the element's name, at any depth. Each occurrence of an element adds its
// text when it ends, so an element used twice yields the two texts joined; an
// occurrence whose text contains a line break adds nothing. Attributes are
// ignored, entity declarations make the file malformed.
#pragma once
#include <map>
#include <optional>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>

namespace keyloom {

class XmlLoader {
public:
    using TextMap = std::map<std::string, std::string>;

    // Reads and parses a file. An unreadable file changes nothing and returns
    // false. A readable one replaces Dict; a parse error is logged, keeps the
    // entries read before it, and returns false.
    bool loadXML(const std::string& path);
    // Parses file bytes (the part of loadXML after reading); false on a parse error.
    bool loadXMLFromBytes(std::string_view bytes);

    // The whole dictionary; main thread only.
    const TextMap& Dict() const { return dict_; }
    // The text under a key; none when missing. Safe from any thread.
    std::optional<std::string> find(const std::string& key) const;

    // Parser callbacks (public for the C trampolines only).
    void onStartDocument();
    void onStartElement(const char* name);
    void onCharacterData(std::string_view chunk);
    void onEndElement();

private:
    void commitOccurrence();

    mutable std::shared_mutex dictLock_;
    TextMap dict_;
    std::optional<std::string> currentElement_;
    std::string occurrenceText_;  // text of the current element occurrence so far
    bool occurrenceBroken_ = false;  // a chunk of this occurrence held a line break
};

}  // namespace keyloom
