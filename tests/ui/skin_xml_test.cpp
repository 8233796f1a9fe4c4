#include "ui/SkinXml.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/SkinTestFiles.h"

namespace {

using ui::CSkinXml;
using ui::CSkinXmlNode;
using ui::SkinEncoding;

// Element names in document order, each followed by its depth, e.g. "a0 b1".
std::wstring Outline(const CSkinXml& xml) {
    std::wstring out;
    std::vector<std::pair<CSkinXmlNode, int>> pending;
    for (CSkinXmlNode top = xml.root(); top.exists(); top = top.next_sibling()) pending.push_back({top, 0});
    std::vector<std::pair<CSkinXmlNode, int>> ordered(pending.rbegin(), pending.rend());
    while (!ordered.empty()) {
        auto [node, depth] = ordered.back();
        ordered.pop_back();
        if (!out.empty()) out += L' ';
        out += std::wstring(node.name()) + std::to_wstring(depth);
        std::vector<CSkinXmlNode> children;
        for (CSkinXmlNode child = node.first_child(); child.exists(); child = child.next_sibling())
            children.push_back(child);
        for (auto it = children.rbegin(); it != children.rend(); ++it) ordered.push_back({*it, depth + 1});
    }
    return out;
}

TEST(SkinXml, ReadsTreeAttributesAndSkipsDeclaration) {
    CSkinXml xml;
    ASSERT_TRUE(xml.load_text(
        L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
        L"<Window size=\"390,480\" caption = \"0,0,0,-1\">\r\n"
        L"  <Font id=\"0\" name=\"微软雅黑\" size=\"14\"/>\r\n"
        L"  <VerticalLayout><Label name=\"tip\" text=\"\"/><Button name=\"ok\">text</Button></VerticalLayout>\r\n"
        L"</Window>\r\n"))
        << xml.error_message();
    EXPECT_EQ(Outline(xml), L"Window0 Font1 VerticalLayout1 Label2 Button2");
    const CSkinXmlNode root = xml.root();
    EXPECT_STREQ(root.name(), L"Window");
    ASSERT_EQ(root.attribute_count(), 2);
    EXPECT_STREQ(root.attribute_name(1), L"caption");
    EXPECT_STREQ(root.attribute_value(1), L"0,0,0,-1");
    EXPECT_STREQ(root.first_child().attribute_value(L"name"), L"微软雅黑");
    const CSkinXmlNode label = root.first_child().next_sibling().first_child();
    EXPECT_STREQ(label.attribute_value(L"text"), L"");
    EXPECT_STREQ(label.parent().name(), L"VerticalLayout");
    EXPECT_TRUE(root.has_child_elements());
    EXPECT_FALSE(label.has_child_elements());
    EXPECT_FALSE(label.next_sibling().next_sibling().exists());
}

TEST(SkinXml, ByteOrderMarkChangesNothing) {
    const std::string markup = "<Window text=\"盒子\"><Label/></Window>";
    for (const std::string& bytes : {markup, "\xEF\xBB\xBF" + markup}) {
        CSkinXml xml;
        ASSERT_TRUE(xml.load_bytes(bytes.data(), bytes.size(), SkinEncoding::Utf8));
        EXPECT_EQ(Outline(xml), L"Window0 Label1");
        EXPECT_STREQ(xml.root().attribute_value(L"text"), L"盒子");
    }
}

TEST(SkinXml, DecodesUtf16EitherWayAndRefusesItWithoutMark) {
    const std::wstring markup = L"<Window text=\"盒子\"/>";
    std::string little = "\xFF\xFE", big = "\xFE\xFF", bare;
    for (wchar_t c : markup) {
        little += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        big += {static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
        bare += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    }
    for (std::string bytes : {little, big}) {
        bytes += 'x';  // an odd final byte is ignored
        CSkinXml xml;
        ASSERT_TRUE(xml.load_bytes(bytes.data(), bytes.size(), SkinEncoding::Utf16)) << xml.error_message();
        EXPECT_STREQ(xml.root().attribute_value(L"text"), L"盒子");
    }
    CSkinXml xml;
    EXPECT_FALSE(xml.load_bytes(bare.data(), bare.size(), SkinEncoding::Utf16));
    EXPECT_FALSE(xml.load_bytes("\xFF", 1, SkinEncoding::Utf16));
    EXPECT_FALSE(xml.root().exists());
}

TEST(SkinXml, EmptyElementsCommentsAndInstructions) {
    const struct {
        const wchar_t* markup;
        const wchar_t* outline;
    } cases[] = {
        {L"<W><Control /><B/></W>", L"W0 Control1 B1"},
        {L"<W><Control/><B/></W>", L"W0 Control1 B1"},
        {L"<W><Control width=\"1\"/><B/></W>", L"W0 Control1 B1"},
        {L"<W><A/><!--0获取配置--><B/></W>", L"W0 A1 B1"},
        {L"<W><?pi x?><A><!-- a <b> in a comment --></A></W>", L"W0 A1"},
        {L"<!-- first --><W/><!-- last -->", L"W0"},
        {L"<W>text &amp; more<A>x</A></W>", L"W0 A1"},
        {L"< W ></W>", L"W0"},
        {L"<W><A></A ><B/></W>", L"W0 A1 B1"},
        // Text may end while the root or its children are open; a closing
        // tag with nothing open ends the document.
        {L"<W><A x=\"1\"/>", L"W0 A1"},
        {L"<W><A>text", L"W0 A1"},
        {L"<W/></X>garbage", L"W0"},
        {L"", L""},
        {L"  \r\n\t", L""},
        {L"<!-- a comment that never ends <W/>", L""},
    };
    for (const auto& c : cases) {
        CSkinXml xml;
        EXPECT_TRUE(xml.load_text(c.markup)) << c.markup << ": " << xml.error_message();
        EXPECT_EQ(Outline(xml), c.outline) << c.markup;
    }
}

TEST(SkinXml, DecodesKnownEntitiesOnly) {
    CSkinXml xml;
    ASSERT_TRUE(xml.load_text(
        L"<W a=\"Tom &amp; Jerry\" b=\"&lt;&gt;&quot;&apos;\" c=\"x &nbsp; y &amp\" d=\"&#38;\" e=\"&amp;amp;\" "
        L"f=\"\" g=\"  two  spaces  \"/>"));
    const CSkinXmlNode w = xml.root();
    ASSERT_EQ(w.attribute_count(), 7);
    const wchar_t* expected[] = {L"Tom & Jerry", L"<>\"'", L"x &nbsp; y &amp", L"&#38;", L"&amp;", L"",
                                 L"  two  spaces  "};
    for (int i = 0; i < 7; ++i) EXPECT_STREQ(w.attribute_value(i), expected[i]) << i;
}

TEST(SkinXml, ReportsEachErrorWithItsLocation) {
    const struct {
        const wchar_t* markup;
        const wchar_t* message;
        const wchar_t* location;
    } cases[] = {
        {L"<W><Control text='x'/></W>", L"Expected attribute value", L"'x'/></W>"},
        {L"<W><A></B></W>", L"Unmatched closing tag", L"B></W>"},
        {L"<W><A></A x></W>", L"Unmatched closing tag", L"x></W>"},
        {L"<W><A></AB></W>", L"Unmatched closing tag", L"B></W>"},
        {L"hello", L"Expected start tag", L"hello"},
        {L"<W><A>x</A>y", L"Expected start tag", L"y"},
        {L"<W><A/>tail</W>", L"Expected start tag", L"tail</W>"},
        {L"<W><A><B/>", L"Expected start tag", L""},
        {L"<Window", L"Error parsing element name", L""},
        {L"<W x=\"1\" / >", L"Expected start-tag closing", L"/ >"},
        {L"<W x=\"1\"", L"Expected start-tag closing", L""},
        {L"<W><A><B>text", L"Expected end-tag start", L""},
        {L"<W x y=\"1\"/>", L"Error while parsing attributes", L"y=\"1\"/>"},
        {L"<W x=\"unterminated/>", L"Error while parsing attribute string", L""},
        {L"<W><A x=\"1\">01234567890123456789012345678901234567890123456789</B></W>", L"Unmatched closing tag",
         L"B></W>"},
        {L"<W>\n  <Label text=\"a\" x='b' y=\"0123456789012345678901234567890123456789\"/></W>",
         L"Expected attribute value", L"'b' y=\"0123456789012345678901234567890123456789\"/"},
    };
    for (const auto& c : cases) {
        CSkinXml xml;
        EXPECT_FALSE(xml.load_text(c.markup)) << c.markup;
        EXPECT_STREQ(xml.error_message(), c.message) << c.markup;
        EXPECT_STREQ(xml.error_location(), c.location) << c.markup;
        EXPECT_FALSE(xml.root().exists()) << c.markup;
    }
}

TEST(SkinXml, FailedLoadEmptiesThePreviousDocument) {
    CSkinXml xml;
    ASSERT_TRUE(xml.load_text(L"<W/>"));
    ASSERT_TRUE(xml.root().exists());
    EXPECT_FALSE(xml.load_text(L"<W><A></B></W>"));
    EXPECT_FALSE(xml.root().exists());
    ASSERT_TRUE(xml.load_text(L"<X/>"));
    EXPECT_STREQ(xml.error_message(), L"");
    EXPECT_STREQ(xml.root().name(), L"X");
}

TEST(SkinXml, ExposesTheFirst64Attributes) {
    std::wstring markup = L"<W";
    for (int i = 0; i < 65; ++i) markup += L" a" + std::to_wstring(i) + L"=\"" + std::to_wstring(i) + L"\"";
    markup += L"/>";
    CSkinXml xml;
    ASSERT_TRUE(xml.load_text(markup.c_str()));
    const CSkinXmlNode w = xml.root();
    EXPECT_EQ(w.attribute_count(), 64);
    EXPECT_STREQ(w.attribute_name(63), L"a63");
    EXPECT_STREQ(w.attribute_value(63), L"63");
    EXPECT_STREQ(w.attribute_name(64), L"");
    EXPECT_EQ(w.attribute_value(L"a64"), nullptr);
}

TEST(SkinXml, AttributeLookupIsExactAndBounded) {
    CSkinXml xml;
    ASSERT_TRUE(xml.load_text(L"<W name=\"first\" Name=\"other\" name=\"second\"><A/></W>"));
    const CSkinXmlNode w = xml.root();
    wchar_t buffer[6] = {L'?', L'?', L'?', L'?', L'?', L'?'};
    EXPECT_TRUE(w.find_attribute(L"name", buffer, 6));
    EXPECT_STREQ(buffer, L"first");
    EXPECT_TRUE(w.find_attribute(L"Name", buffer, 3));
    EXPECT_STREQ(buffer, L"ot");
    EXPECT_FALSE(w.find_attribute(L"NAME", buffer, 6));
    EXPECT_STREQ(buffer, L"ot");
    EXPECT_STREQ(w.attribute_name(-1), L"");
    EXPECT_FALSE(w.first_child().any_attributes());
    EXPECT_TRUE(w.any_attributes());

    const CSkinXmlNode none = w.first_child().first_child();
    EXPECT_FALSE(none.exists());
    EXPECT_EQ(none.name(), nullptr);
    EXPECT_EQ(none.attribute_count(), 0);
    EXPECT_EQ(none.attribute_name(0), nullptr);
    EXPECT_EQ(none.attribute_value(0), nullptr);
    EXPECT_FALSE(none.find_attribute(L"name", buffer, 6));
    EXPECT_FALSE(none.next_sibling().first_child().parent().exists());
}

// Nesting is limited by memory, not by the thread's stack.
TEST(SkinXml, DeepNestingEndsInAResult) {
    const int depth = 200000;
    std::wstring open, close;
    for (int i = 0; i < depth; ++i) open += L"<a>";
    for (int i = 0; i < depth; ++i) close += L"</a>";
    CSkinXml xml;
    ASSERT_TRUE(xml.load_text((open + close).c_str()));
    CSkinXmlNode node = xml.root();
    int levels = 0;
    for (; node.exists(); node = node.first_child()) ++levels;
    EXPECT_EQ(levels, depth);
    EXPECT_FALSE(xml.load_text(open.c_str()));
    EXPECT_STREQ(xml.error_message(), L"Expected end-tag start");
}

}  // namespace
