// The language-file reader: which texts an XML file yields, encodings,
// malformed and hostile files.
#include <expat.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "base/XmlLoader.h"
#include "test_support.h"

namespace keyloom {
namespace {

using test::LogCapture;
using test::TempDir;

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

XmlLoader::TextMap Parse(const std::string& doc, bool* ok = nullptr) {
    XmlLoader loader;
    const bool parsed = loader.loadXMLFromBytes(doc);
    if (ok) *ok = parsed;
    return loader.Dict();
}

// UTF-16 code units of an ASCII/BMP text given as UTF-8 (test data only).
std::string Utf16(const std::u16string& text, bool bigEndian) {
    std::string out;
    for (char16_t c : text) {
        const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
}

TEST(XmlLoaderText, ElementsOnOneLineBecomeEntries) {
    bool ok = false;
    auto dict = Parse(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<resources>\n"
        "  <tc_ok>OK</tc_ok>\n"
        "  <tc_cancel lang=\"en\">Cancel</tc_cancel>\n"
        "  <group><tc_deep>Deep</tc_deep></group>\n"
        "  <tc_ok>Okay</tc_ok>\n"
        "  <tc_amp>Tom &amp; Jerry &lt;&#x4E2D;&gt;</tc_amp>\n"
        "  <tc_cdata><![CDATA[a<b]]> c</tc_cdata>\n"
        "  <tc_lines>first line\n  second line</tc_lines>\n"
        "  <tc_cr>one&#13;two</tc_cr>\n"
        "  <tc_empty></tc_empty><tc_self/>\n"
        "  <tc_space> </tc_space>\n"
        "  <tc_mixed>before<b>inner</b>after</tc_mixed>\n"
        "</resources>\n",
        &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(dict["tc_ok"], "OKOkay");  // a repeated element joins its texts
    EXPECT_EQ(dict["tc_cancel"], "Cancel");
    EXPECT_EQ(dict["tc_deep"], "Deep");
    EXPECT_EQ(dict["tc_amp"], "Tom & Jerry <\xE4\xB8\xAD>");
    EXPECT_EQ(dict["tc_cdata"], "a<b c");
    EXPECT_EQ(dict["tc_space"], " ");
    EXPECT_EQ(dict["tc_mixed"], "before");  // text after a child element belongs to no element
    EXPECT_EQ(dict["b"], "inner");
    EXPECT_EQ(dict.count("tc_lines"), 0u);
    EXPECT_EQ(dict.count("tc_cr"), 0u);
    EXPECT_EQ(dict.count("tc_empty"), 0u);
    EXPECT_EQ(dict.count("tc_self"), 0u);
    // Indentation between elements sits on lines of its own and adds nothing.
    EXPECT_EQ(dict.count("resources"), 0u);
    EXPECT_EQ(dict.count("group"), 0u);
}

TEST(XmlLoaderText, MultiLineOccurrenceDropsOnlyItself) {
    auto dict = Parse("<r><tc_a>one</tc_a><tc_a>two\nlines</tc_a><tc_a>three</tc_a></r>");
    EXPECT_EQ(dict["tc_a"], "onethree");
}

TEST(XmlLoaderEncoding, BomAndDeclarationAreHonoured) {
    const std::string body = "<r><tc_ok>\xC3\x9C" "ber</tc_ok></r>";  // "Über"
    EXPECT_EQ(Parse(body)["tc_ok"], "\xC3\x9C" "ber");
    EXPECT_EQ(Parse("\xEF\xBB\xBF" + body)["tc_ok"], "\xC3\x9C" "ber");

    const std::u16string doc16 = u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><r><tc_ok>\u00DCber \u4E2D</tc_ok></r>";
    const std::string want = "\xC3\x9C" "ber \xE4\xB8\xAD";
    EXPECT_EQ(Parse("\xFF\xFE" + Utf16(doc16, false))["tc_ok"], want);
    EXPECT_EQ(Parse("\xFE\xFF" + Utf16(doc16, true))["tc_ok"], want);
    EXPECT_EQ(Parse(Utf16(doc16, false))["tc_ok"], want);  // no mark: detected from "<?xml"

    // Editors often save UTF-16 while leaving the declaration saying UTF-8: the mark wins.
    const std::u16string mislabelled = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?><r><tc_ok>\u00DCber</tc_ok></r>";
    EXPECT_EQ(Parse("\xFF\xFE" + Utf16(mislabelled, false))["tc_ok"], "\xC3\x9C" "ber");

    // Without a mark the declaration decides.
    EXPECT_EQ(Parse("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r><tc_ok>\xDC" "ber</tc_ok></r>")["tc_ok"],
              "\xC3\x9C" "ber");
}

TEST(XmlLoaderErrors, MalformedFileKeepsEntriesReadBeforeTheError) {
    LogCapture log;
    bool ok = true;
    auto dict = Parse("<r><tc_ok>OK</tc_ok><tc_cut>Cut</tc_wrong><tc_after>After</tc_after></r>", &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(dict["tc_ok"], "OK");
    EXPECT_EQ(dict.count("tc_cut"), 0u);  // its element never closed
    EXPECT_EQ(dict.count("tc_after"), 0u);
    const std::vector<std::string> expected = {"parseErrorOccurred",
                                               "parse xml error=" + std::to_string(XML_ERROR_TAG_MISMATCH)};
    EXPECT_EQ(log.sysLines(), expected);

    log.clear();
    dict = Parse("", &ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(dict.empty());
    ASSERT_EQ(log.sysLines().size(), 2u);
    EXPECT_EQ(log.sysLines()[1], "parse xml error=" + std::to_string(XML_ERROR_NO_ELEMENTS));

    log.clear();
    dict = Parse("<r><tc_ok>OK</tc_ok>", &ok);  // truncated file
    EXPECT_FALSE(ok);
    EXPECT_EQ(dict["tc_ok"], "OK");
}

TEST(XmlLoaderErrors, HostileDocumentsAreRefused) {
    LogCapture log;
    TempDir dir;
    WriteFile(dir.file("secret.txt"), "SECRET");

    // Exponential entity expansion: a11 would be 10^11 copies of "lol".
    std::string bomb = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a0 \"lollollollollol\">";
    for (int i = 1; i < 12; ++i) {
        std::string refs;
        for (int k = 0; k < 10; ++k) refs += "&a" + std::to_string(i - 1) + ";";
        bomb += "<!ENTITY a" + std::to_string(i) + " \"" + refs + "\">";
    }
    bomb += "]><r><tc_boom>&a11;</tc_boom></r>";
    bool ok = true;
    auto dict = Parse(bomb, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(dict.count("tc_boom"), 0u);

    // External general and parameter entities are never read; declaring one fails the file.
    const std::string url = "file://" + dir.file("secret.txt");
    for (const std::string& doc : {
             "<!DOCTYPE r [<!ENTITY x SYSTEM \"" + url + "\">]><r><tc_x>&x;</tc_x></r>",
             "<!DOCTYPE r [<!ENTITY % p SYSTEM \"" + url + "\"> %p;]><r><tc_x>a</tc_x></r>",
         }) {
        dict = Parse(doc, &ok);
        EXPECT_FALSE(ok) << doc;
        EXPECT_EQ(dict.count("tc_x"), 0u) << doc;
    }
    // An external DTD is not fetched; the entity it might declare stays unknown.
    dict = Parse("<!DOCTYPE r SYSTEM \"" + url + "\"><r><tc_x>a&maybe;b</tc_x></r>", &ok);
    for (const auto& [key, text] : dict) EXPECT_EQ(text.find("SECRET"), std::string::npos) << key;
    EXPECT_FALSE(log.sysLines().empty());
}

TEST(XmlLoaderFile, UnreadableFileKeepsThePreviousTexts) {
    TempDir dir;
    WriteFile(dir.file("a.xml"), "<r><tc_ok>OK</tc_ok><tc_old>Old</tc_old></r>");
    WriteFile(dir.file("b.xml"), "<r><tc_ok>Fine</tc_ok></r>");
    XmlLoader loader;
    EXPECT_FALSE(loader.loadXML(dir.file("missing.xml")));
    EXPECT_TRUE(loader.Dict().empty());

    EXPECT_TRUE(loader.loadXML(dir.file("a.xml")));
    EXPECT_EQ(loader.find("tc_old"), "Old");
    EXPECT_FALSE(loader.loadXML(dir.file("missing.xml")));
    EXPECT_EQ(loader.find("tc_ok"), "OK");
    EXPECT_FALSE(loader.loadXML(dir.path()));  // a folder cannot be read either
    EXPECT_EQ(loader.find("tc_ok"), "OK");

    // A readable file replaces everything, also keys it does not have.
    EXPECT_TRUE(loader.loadXML(dir.file("b.xml")));
    EXPECT_EQ(loader.find("tc_ok"), "Fine");
    EXPECT_EQ(loader.find("tc_old"), std::nullopt);

    // A file far larger than any language file is not read at all.
    WriteFile(dir.file("huge.xml"), "<r>" + std::string(5 * 1024 * 1024, 'x') + "</r>");
    EXPECT_FALSE(loader.loadXML(dir.file("huge.xml")));
    EXPECT_EQ(loader.find("tc_ok"), "Fine");
}

}  // namespace
}  // namespace keyloom
