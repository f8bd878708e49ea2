// Language-file parsing on expat.
//
// Text rule: expat hands an element's text over in pieces (an entity such as
// &amp; splits it, every line break comes as a piece of its own), so the
// pieces of one element occurrence are collected first. When the occurrence
// ends - at its end tag or at the start of a child element - its text is
// appended to the entry under the element's name, unless one of its pieces
// held a line break: then the occurrence adds nothing. Text after a child
// element's end tag belongs to no element and is dropped. So <a>Tom &amp;
// Jerry</a> gives "Tom & Jerry", <a>OK</a><a>Okay</a> gives "OKOkay", and a
// text written across two lines gives nothing.
//
// Hostile input: entity declarations are refused outright (no language file
// needs them), which rules out entity expansion bombs and external entities;
// expat's own amplification limits and the refusal of external parameter
// entities stay switched on as a second line.
#include "base/XmlLoader.h"

// The two amplification setters are declared only under XML_DTD, which the
// system library is built with but its header does not define.
#ifndef XML_DTD
#define XML_DTD 1
#endif
#include <expat.h>

#include <algorithm>
#include <memory>
#include <type_traits>

#include "base/INIFiler.h"
#include "base/debug.h"
#include "base/fileio.h"

namespace keyloom {

namespace {

constexpr size_t kMaxFileBytes = 4 * 1024 * 1024;  // a language file is a few kilobytes
constexpr float kMaxAmplification = 10.0f;
constexpr unsigned long long kAmplificationThreshold = 64 * 1024;

struct ParserDeleter {
    void operator()(XML_Parser p) const { XML_ParserFree(p); }
};
using ParserPtr = std::unique_ptr<std::remove_pointer_t<XML_Parser>, ParserDeleter>;

// Handlers receive the parser (XML_UseParserAsHandlerArg); its user data is the loader.
XmlLoader* loaderOf(void* arg) {
    return static_cast<XmlLoader*>(XML_GetUserData(static_cast<XML_Parser>(arg)));
}

void XMLCALL onStart(void* arg, const XML_Char* name, const XML_Char** /*attributes*/) {
    loaderOf(arg)->onStartElement(name);
}

void XMLCALL onEnd(void* arg, const XML_Char* /*name*/) { loaderOf(arg)->onEndElement(); }

void XMLCALL onText(void* arg, const XML_Char* s, int len) {
    if (len > 0) loaderOf(arg)->onCharacterData(std::string_view(s, static_cast<size_t>(len)));
}

void XMLCALL onEntityDecl(void* arg, const XML_Char* /*entityName*/, int /*isParameterEntity*/,
                          const XML_Char* /*value*/, int /*valueLength*/, const XML_Char* /*base*/,
                          const XML_Char* /*systemId*/, const XML_Char* /*publicId*/,
                          const XML_Char* /*notationName*/) {
    XML_StopParser(static_cast<XML_Parser>(arg), XML_FALSE);
}

int XMLCALL onExternalEntity(XML_Parser /*parser*/, const XML_Char* /*context*/, const XML_Char* /*base*/,
                             const XML_Char* /*systemId*/, const XML_Char* /*publicId*/) {
    return XML_STATUS_ERROR;  // never fetched
}

bool hasBom(std::string_view bytes) {
    return bytes.starts_with("\xEF\xBB\xBF") || bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
}

ParserPtr makeParser(const char* encoding, XmlLoader* loader) {
    ParserPtr parser(XML_ParserCreate(encoding));
    if (!parser) return parser;
    XML_Parser p = parser.get();
    XML_SetUserData(p, loader);
    XML_UseParserAsHandlerArg(p);
    XML_SetElementHandler(p, onStart, onEnd);
    XML_SetCharacterDataHandler(p, onText);
    XML_SetEntityDeclHandler(p, onEntityDecl);
    XML_SetExternalEntityRefHandler(p, onExternalEntity);
    XML_SetParamEntityParsing(p, XML_PARAM_ENTITY_PARSING_NEVER);
    XML_SetBillionLaughsAttackProtectionMaximumAmplification(p, kMaxAmplification);
    XML_SetBillionLaughsAttackProtectionActivationThreshold(p, kAmplificationThreshold);
    return parser;
}

// Feeds the bytes in pieces small enough for expat's int lengths.
bool parseAll(XML_Parser p, std::string_view bytes) {
    constexpr size_t kPiece = 1 << 20;
    do {
        const size_t n = std::min(bytes.size(), kPiece);
        const bool last = n == bytes.size();
        if (XML_Parse(p, bytes.data(), static_cast<int>(n), last ? XML_TRUE : XML_FALSE) != XML_STATUS_OK)
            return false;
        bytes.remove_prefix(n);
    } while (!bytes.empty());
    return true;
}

}  // namespace

bool XmlLoader::loadXML(const std::string& path) {
    FileError err;
    auto bytes = read_file_bytes(path, kMaxFileBytes + 1, &err);
    if (!bytes) {
        LOG("loadXML: cannot read %s: %s", path.c_str(), err.text.c_str());
        return false;
    }
    if (bytes->size() > kMaxFileBytes) {
        LOG("loadXML: %s is larger than %zu bytes", path.c_str(), kMaxFileBytes);
        return false;
    }
    return loadXMLFromBytes(*bytes);
}

bool XmlLoader::loadXMLFromBytes(std::string_view bytes) {
    // A byte-order mark decides the encoding (and overrides the declaration,
    // which editors often leave saying UTF-8); without one expat reads the
    // declaration or detects UTF-16 itself.
    std::string decoded;
    const char* encoding = nullptr;
    if (hasBom(bytes)) {
        decoded = DecodeTextFile(bytes);
        bytes = decoded;
        encoding = "UTF-8";
    }
    // Texts are looked up from the apply worker's log lines too: a load holds
    // the lock for writing while it rebuilds the dictionary.
    std::unique_lock lock(dictLock_);
    onStartDocument();
    ParserPtr parser = makeParser(encoding, this);
    if (!parser) {
        SysLog("parseErrorOccurred");
        SysLog("parse xml error=%ld", static_cast<long>(XML_ERROR_NO_MEMORY));
        return false;
    }
    if (parseAll(parser.get(), bytes)) return true;
    SysLog("parseErrorOccurred");
    SysLog("parse xml error=%ld", static_cast<long>(XML_GetErrorCode(parser.get())));
    // An element cut off by the error is incomplete and adds nothing.
    currentElement_.reset();
    occurrenceText_.clear();
    return false;
}

std::optional<std::string> XmlLoader::find(const std::string& key) const {
    std::shared_lock lock(dictLock_);
    auto it = dict_.find(key);
    if (it == dict_.end()) return std::nullopt;
    return it->second;
}

void XmlLoader::onStartDocument() {
    dict_.clear();
    currentElement_.reset();
    occurrenceText_.clear();
    occurrenceBroken_ = false;
}

void XmlLoader::onStartElement(const char* name) {
    commitOccurrence();  // the parent's text so far
    currentElement_ = name;
}

void XmlLoader::onCharacterData(std::string_view chunk) {
    if (!currentElement_) return;
    if (chunk.find_first_of("\r\n") != std::string_view::npos) {
        occurrenceBroken_ = true;
        return;
    }
    occurrenceText_.append(chunk);
}

void XmlLoader::onEndElement() {
    commitOccurrence();
    currentElement_.reset();
}

void XmlLoader::commitOccurrence() {
    if (currentElement_ && !occurrenceBroken_ && !occurrenceText_.empty())
        dict_[*currentElement_] += occurrenceText_;
    occurrenceText_.clear();
    occurrenceBroken_ = false;
}

}  // namespace keyloom
