// tests/native/FormTextTest.cpp
#include "framework/FormText.h"
#include "framework/SysUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <vector>

// Failures print a tree as its form text, far easier to read than bytes.
static void PrintTo(const TFormObject& object, std::ostream* os)
{
    try {
        *os << "\n" << WriteFormText(object);
    } catch (const Exception& e) {
        *os << "<unwritable tree: " << e.Message() << ">";
    }
}

static void PrintTo(const TFormValue& value, std::ostream* os)
{
    TFormObject holder;
    holder.ClassName = "TValue";
    holder.Properties.push_back({"V", value, 0});
    PrintTo(holder, os);
}

namespace {

using K = TFormValueKind;
TFormValue Of(K kind) { TFormValue v; v.Kind = kind; return v; }
TFormValue Int(long long x) { TFormValue v = Of(K::Integer); v.Integer = x; return v; }
TFormValue Flt(double x) { TFormValue v = Of(K::Float); v.Float = x; return v; }
TFormValue Str(std::string x) { TFormValue v = Of(K::String); v.Text = std::move(x); return v; }
TFormValue Ident(std::string x) { TFormValue v = Of(K::Identifier); v.Text = std::move(x); return v; }
TFormValue SetOf(std::vector<std::string> x) { TFormValue v = Of(K::Set); v.Set = std::move(x); return v; }
TFormValue Bin(std::vector<unsigned char> x) { TFormValue v = Of(K::Binary); v.Binary = std::move(x); return v; }
TFormValue ListOf(std::vector<TFormValue> x) { TFormValue v = Of(K::List); v.List = std::move(x); return v; }
TFormValue Coll(std::vector<std::vector<TFormProperty>> x) { TFormValue v = Of(K::Collection); v.Items = std::move(x); return v; }
TFormProperty Prop(std::string name, TFormValue value) { return {std::move(name), std::move(value), 0}; }

TFormObject Obj(std::string name, std::string className, std::vector<TFormProperty> properties = {},
                std::vector<TFormObject> children = {}, TFormObjectKind kind = TFormObjectKind::Object)
{
    return {kind, std::move(name), std::move(className), 0, std::move(properties), std::move(children)};
}

std::vector<unsigned char> Bytes(size_t count)
{
    std::vector<unsigned char> bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + 3);
    return bytes;
}

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) text.replace(at, from.size(), to);
    return text;
}

// The value of property V in a one-property object.
TFormValue ParseValueText(const std::string& valueText)
{
    TFormObject object = ParseFormText("object X: TX\n  V = " + valueText + "\nend\n");
    return object.Properties.size() == 1 ? object.Properties[0].Value : Str("<not one property>");
}

// What the writer puts after "V = " for a value.
std::string WrittenValue(const TFormValue& value)
{
    const std::string doc = WriteFormText(Obj("", "TX", {Prop("V", value)}));
    const std::string head = "object TX\r\n  V = ", tail = "\r\nend\r\n";
    if (doc.size() < head.size() + tail.size() || doc.compare(0, head.size(), head) != 0) return "<layout> " + doc;
    return doc.substr(head.size(), doc.size() - head.size() - tail.size());
}

// Written text must read back equal, with CR LF and with LF, and write again unchanged.
void ExpectRoundTrip(const TFormObject& tree, const std::string& context)
{
    const std::string text = WriteFormText(tree);
    try {
        const TFormObject parsed = ParseFormText(text);
        EXPECT_EQ(tree, parsed) << context;
        EXPECT_EQ(text, WriteFormText(parsed)) << context << ": writing the parsed tree changed the text";
        EXPECT_EQ(tree, ParseFormText(Replace(text, "\r\n", "\n"))) << context << ": with LF line ends";
    } catch (const EParserError& e) {
        ADD_FAILURE() << context << ": written text does not parse: " << e.what() << "\n" << text;
    }
}

void ExpectValueRoundTrip(const TFormValue& value, const std::string& context)
{
    ExpectRoundTrip(Obj("Form1", "TForm1", {Prop("V", value)}), context);
}

} // namespace

// The round trips rest on ==: it must tell apart trees that differ in any one part.
TEST(FormTextParse, AWholeObjectOnOneLine)
{
    EXPECT_EQ(Obj("", "TX"), ParseFormText("object TX end"));
}

TEST(FormTextCompare, EqualOnlyWhenEveryPartIs)
{
    using V = TFormValue;
    const auto value = [](void (*change)(V&)) { V v = Int(1); change(v); return v; };
    const V one = Int(1);
    EXPECT_TRUE(one == Int(1));
    for (const V& other : {value([](V& v) { v.Kind = K::Float; }), value([](V& v) { v.Integer = 2; }),
                           value([](V& v) { v.Float = -0.0; }), value([](V& v) { v.Text = "a"; }),
                           value([](V& v) { v.Set = {"a"}; }), value([](V& v) { v.Binary = {1}; }),
                           value([](V& v) { v.List = {Int(1)}; }), value([](V& v) { v.Items = {{}}; })})
        EXPECT_FALSE(one == other) << ::testing::PrintToString(other);

    EXPECT_FALSE(Prop("A", one) == Prop("B", one));
    EXPECT_FALSE(Prop("A", one) == Prop("A", Int(2)));

    const TFormObject a = Obj("a", "TA", {Prop("P", one)}, {Obj("c", "TC")});
    EXPECT_TRUE(a == Obj("a", "TA", {Prop("P", one)}, {Obj("c", "TC")}));
    for (const TFormObject& other : {Obj("a", "TA", {Prop("P", one)}, {Obj("c", "TC")}, TFormObjectKind::Inline),
                                     Obj("b", "TA", {Prop("P", one)}, {Obj("c", "TC")}),
                                     Obj("a", "TB", {Prop("P", one)}, {Obj("c", "TC")}),
                                     Obj("a", "TA", {}, {Obj("c", "TC")}), Obj("a", "TA", {Prop("P", one)})})
        EXPECT_FALSE(a == other) << ::testing::PrintToString(other);
}

TEST(FormTextParse, SampleFormWithLfAndCrLf)
{
    const std::string sample =
        "object Form1: TForm1\n"                                // 1
        "  Left = 228\n"                                        // 2
        "  Caption = 'Pellory'#174' Tallyglass'\n"              // 3
        "  BorderIcons = [biSystemMenu]\n"                      // 4
        "  Font.Height = -11\n"                                 // 5
        "  Scale = 1.5\n"                                       // 6
        "  Lines.Strings = (\n"                                 // 7
        "    'one'\n"                                           // 8
        "    'two')\n"                                          // 9
        "  Items = <\n"                                         // 10
        "    item\n"                                            // 11
        "      Caption = 'a'\n"                                 // 12
        "    end\n"                                             // 13
        "    item\n"                                            // 14
        "    end>\n"                                            // 15
        "  object vyTrayIcon: TvyTrayIcon\n"                    // 16
        "    CaptionButton.Hint = 'Minimize to System Tray'\n"  // 17
        "    Icon.SFP = {\n"                                    // 18
        "      0D000000AB\n"                                    // 19
        "      CDEF}\n"                                         // 20
        "    OnClick = TimerTimer\n"                            // 21
        "  end\n"                                               // 22
        "end\n";
    const TFormObject expected = Obj(
        "Form1", "TForm1",
        {Prop("Left", Int(228)), Prop("Caption", Str("Pellory\xAE Tallyglass")), Prop("BorderIcons", SetOf({"biSystemMenu"})),
         Prop("Font.Height", Int(-11)), Prop("Scale", Flt(1.5)), Prop("Lines.Strings", ListOf({Str("one"), Str("two")})),
         Prop("Items", Coll({{Prop("Caption", Str("a"))}, {}}))},
        {Obj("vyTrayIcon", "TvyTrayIcon",
             {Prop("CaptionButton.Hint", Str("Minimize to System Tray")),
              Prop("Icon.SFP", Bin({0x0D, 0x00, 0x00, 0x00, 0xAB, 0xCD, 0xEF})), Prop("OnClick", Ident("TimerTimer"))})});

    for (const std::string& text : {sample, Replace(sample, "\n", "\r\n")}) {
        const std::string ends = text.find('\r') == std::string::npos ? "LF" : "CR LF";
        const TFormObject form = ParseFormText(text);
        ASSERT_EQ(expected, form) << ends;
        const TFormObject& tray = form.Children[0];
        const std::vector<std::pair<int, int>> lines = {
            {1, form.Line}, {3, form.Properties[1].Line}, {7, form.Properties[5].Value.Line},
            {9, form.Properties[5].Value.List[1].Line}, {12, form.Properties[6].Value.Items[0][0].Line},
            {16, tray.Line}, {18, tray.Properties[1].Value.Line}, {21, tray.Properties[2].Line}};
        for (size_t i = 0; i < lines.size(); ++i)
            EXPECT_EQ(lines[i].first, lines[i].second) << ends << ": line of checked item " << i;
    }
}

TEST(FormTextParse, ValueForms)
{
    const struct {
        const char* Text;
        TFormValue Expected;
    } cases[] = {
        {"+7", Int(7)}, {"0005", Int(5)}, {"$0", Int(0)}, {"$1F", Int(31)}, {"$ab", Int(171)}, {"-$10", Int(-16)},
        {"$FFFFFFFFFFFFFFFF", Int(-1)}, // hex is the 64-bit pattern
        {"9223372036854775807", Int(std::numeric_limits<long long>::max())},
        {"-9223372036854775808", Int(std::numeric_limits<long long>::min())},
        {"1.5", Flt(1.5)}, {"-2.25e3", Flt(-2250.0)}, {"1e5", Flt(1e5)}, {"1E-3", Flt(0.001)}, {"+2.5E+2", Flt(250.0)},
        {"0.1", Flt(0.1)}, {"-0.0", Flt(-0.0)},
        {"True", Ident("True")}, {"Form1.PopupMenu1", Ident("Form1.PopupMenu1")}, {"_x9", Ident("_x9")},
        {"end", Ident("end")}, // keywords are plain identifiers as values
        {"[]", SetOf({})}, {"[ akLeft ,akTop ]", SetOf({"akLeft", "akTop"})}, {"[a,\n b,\n c]", SetOf({"a", "b", "c"})},
        {"''", Str("")}, {"'it''s'", Str("it's")}, {"''''", Str("'")}, {"#0", Str(std::string(1, '\0'))},
        {"'a'#13#10'b'", Str("a\r\nb")}, {"#255", Str("\xFF")}, {"'x' +\n    'y'+'z' + #65", Str("xyzA")},
        {"'caf\xE9'", Str("caf\xE9")}, {"'a\tb'", Str("a\tb")}, {"'#+ {}'", Str("#+ {}")},
        {"{}", Bin({})}, {"{ 0 1\n a\tB }", Bin({0x01, 0xAB})}, {"{0f ff}", Bin({0x0F, 0xFF})},
        {"()", ListOf({})}, {"('a' +5 'b' +$5)", ListOf({Str("a"), Int(5), Str("b"), Int(5)})}, {"(1 'a' b [c] {FF} 1.5 <>)", ListOf({Int(1), Str("a"), Ident("b"), SetOf({"c"}), Bin({0xFF}), Flt(1.5), Coll({})})},
        {"<>", Coll({})},
        {"<\n item\n  A = (1 <item B = 2 end>)\n end\n item end>", Coll({{Prop("A", ListOf({Int(1), Coll({{Prop("B", Int(2))}})}))}, {}})},
    };
    for (const auto& c : cases) EXPECT_EQ(c.Expected, ParseValueText(c.Text)) << "value text: " << c.Text;
}

TEST(FormTextParse, ObjectHeadersKeywordsAndLines)
{
    const TFormObject form = ParseFormText("OBJECT Form1 : TForm1\n"
                                           "  Inherited Panel1:TPanel\n"
                                           "  END\n"
                                           "  inline Frame1: TFrame1\n"
                                           "  end\n"
                                           "  object TTimer\n"
                                           "    Item = 1\n" // 'item' is a keyword only inside a collection
                                           "    V =\n"
                                           "      'a' +\n"
                                           "      'b'\n"
                                           "    W = 2\n"
                                           "  end\n"
                                           "End");
    const TFormObject expected =
        Obj("Form1", "TForm1", {},
            {Obj("Panel1", "TPanel", {}, {}, TFormObjectKind::Inherited), Obj("Frame1", "TFrame1", {}, {}, TFormObjectKind::Inline),
             Obj("", "TTimer", {Prop("Item", Int(1)), Prop("V", Str("ab")), Prop("W", Int(2))})});
    ASSERT_EQ(expected, form);
    const std::vector<TFormProperty>& timer = form.Children[2].Properties;
    EXPECT_EQ(8, timer[1].Line) << "property line";
    EXPECT_EQ(9, timer[1].Value.Line) << "a value may start on the line after '='";
    EXPECT_EQ(11, timer[2].Line) << "line after a joined string";
}

TEST(FormTextWrite, ExactLayout)
{
    std::vector<unsigned char> icon;
    for (int i = 0; i < 40; ++i) icon.push_back(static_cast<unsigned char>(i));
    const TFormObject form = Obj(
        "Form1", "TForm1",
        {Prop("Left", Int(228)), Prop("Caption", Str("Pellory\xAE Tallyglass")), Prop("Scale", Flt(2.0)),
         Prop("BorderIcons", SetOf({"biSystemMenu", "biMinimize"})), Prop("Lines.Strings", ListOf({Str("one"), Str("it's")})),
         Prop("Items", Coll({{Prop("Caption", Str("a"))}})), Prop("Empty", Coll({})), Prop("Icon.SFP", Bin(icon)),
         Prop("Nothing", Bin({}))},
        {Obj("", "TPanel", {Prop("Tag", Int(1))}, {}, TFormObjectKind::Inherited)});
    EXPECT_EQ("object Form1: TForm1\r\n"
              "  Left = 228\r\n"
              "  Caption = 'Pellory'#174' Tallyglass'\r\n"
              "  Scale = 2.0\r\n"
              "  BorderIcons = [biSystemMenu, biMinimize]\r\n"
              "  Lines.Strings = (\r\n"
              "    'one'\r\n"
              "    'it''s')\r\n"
              "  Items = <\r\n"
              "    item\r\n"
              "      Caption = 'a'\r\n"
              "    end>\r\n"
              "  Empty = <>\r\n"
              "  Icon.SFP = {\r\n"
              "    000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F\r\n"
              "    2021222324252627}\r\n"
              "  Nothing = {}\r\n"
              "  inherited TPanel\r\n"
              "    Tag = 1\r\n"
              "  end\r\n"
              "end\r\n",
              WriteFormText(form));
}

TEST(FormTextWrite, StringsAndFloats)
{
    EXPECT_EQ("''", WrittenValue(Str("")));
    EXPECT_EQ("'a'#13#10'b'", WrittenValue(Str("a\r\nb"))) << "control bytes as codes";
    EXPECT_EQ("#31' '", WrittenValue(Str("\x1f "))) << "31 a code, the blank quoted";
    EXPECT_EQ("'~'#127#128#255", WrittenValue(Str("~\x7F\x80\xFF"))) << "bytes above 126 as codes";
    EXPECT_EQ("'''quoted'''", WrittenValue(Str("'quoted'")));
    EXPECT_EQ("2.0", WrittenValue(Flt(2.0))) << "a whole number still reads back as a float";
    EXPECT_EQ("-0.0", WrittenValue(Flt(-0.0)));
    EXPECT_EQ("0.1", WrittenValue(Flt(0.1))) << "shortest form that reads back";
    EXPECT_EQ("1e+21", WrittenValue(Flt(1e21)));
    EXPECT_EQ("0.001", WrittenValue(Flt(0.001))) << "plain on a tie with 1e-03";
    EXPECT_EQ("10000.0", WrittenValue(Flt(10000))) << "plain on a tie with 1e+04";
    EXPECT_EQ("1e-05", WrittenValue(Flt(1e-5))) << "exponent with sign and two digits";
    EXPECT_EQ("123456789012345680.0", WrittenValue(Flt(123456789012345678.0))) << "plain when not longer";
    EXPECT_EQ("-2.5e-300", WrittenValue(Flt(-2.5e-300)));

    // A long string starts on its own line, one level deeper, in pieces of 63 characters
    // joined by '+'; in a list its pieces line up with the item.
    EXPECT_EQ("'" + std::string(63, 'x') + "'", WrittenValue(Str(std::string(63, 'x')))) << "one piece";
    for (const size_t n : {size_t{64}, size_t{100}, size_t{150}}) {
        std::string pieces;
        for (size_t at = 0; at < n; at += 63)
            pieces += "    '" + std::string(std::min<size_t>(63, n - at), 'x') + (at + 63 < n ? "' +\r\n" : "'");
        EXPECT_EQ("object TX\r\n  V =\r\n" + pieces + "\r\nend\r\n",
                  WriteFormText(Obj("", "TX", {Prop("V", Str(std::string(n, 'x')))})));
        EXPECT_EQ("object TX\r\n  L = (\r\n" + pieces + ")\r\nend\r\n",
                  WriteFormText(Obj("", "TX", {Prop("L", ListOf({Str(std::string(n, 'x'))}))})));
    }
}

TEST(FormTextRoundTrip, EveryValueKindAndObjectKind)
{
    std::string allBytes;
    for (int c = 0; c < 256; ++c) allBytes += static_cast<char>(c);
    const double floats[] = {0.1, 1.0 / 3.0, -0.0, 0.0, 1e21, 123456789012345678.0, 9007199254740993.0, 6.02214076e23,
                             std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest(),
                             std::numeric_limits<double>::min(), std::numeric_limits<double>::denorm_min()};
    for (double f : floats) ExpectValueRoundTrip(Flt(f), "float " + WrittenValue(Flt(f)));
    for (size_t n : {0u, 1u, 31u, 32u, 33u, 1000u}) ExpectValueRoundTrip(Bin(Bytes(n)), "binary of " + std::to_string(n) + " bytes");
    ExpectValueRoundTrip(Int(std::numeric_limits<long long>::min()), "smallest integer");
    ExpectValueRoundTrip(Int(std::numeric_limits<long long>::max()), "largest integer");
    ExpectValueRoundTrip(Str(allBytes), "all 256 byte values");
    ExpectValueRoundTrip(Str("Pellory\xAE 'Tallyglass' #0 + ''"), "quotes, #174 and syntax characters");
    ExpectValueRoundTrip(Str(std::string(3, '\0')), "NUL bytes");
    ExpectValueRoundTrip(Str(std::string(63, 'a') + "'" + std::string(200, 'b')), "long string, quote at a split");
    ExpectValueRoundTrip(Ident("Form1.PopupMenu1"), "dotted identifier");
    ExpectValueRoundTrip(SetOf({}), "empty set");
    ExpectValueRoundTrip(SetOf({"biSystemMenu", "biMinimize", "biMaximize"}), "set");
    ExpectValueRoundTrip(ListOf({}), "empty list");
    ExpectValueRoundTrip(ListOf({Int(1), Flt(2.5), Str(std::string(100, 'q')), Ident("x"), SetOf({"a"}), Bin(Bytes(40)),
                                 Coll({{Prop("A", Int(1))}})}),
                         "list of every other kind, with multi-line members");
    ExpectValueRoundTrip(Coll({}), "empty collection");
    ExpectValueRoundTrip(Coll({{}, {Prop("Caption", Str("a")), Prop("Sub", Coll({{Prop("L", ListOf({Str("x")}))}}))}}),
                         "nested collections and lists");
    ExpectValueRoundTrip(Coll({{Prop("object", Int(1)), Prop("item", Int(2))}}), "only 'end' is reserved inside an item");

    const TFormObject panel = Obj("Panel1", "TPanel", {},
                                  {Obj("Button1", "TButton", {Prop("Caption", Str("&OK"))}),
                                   Obj("", "TTimer", {Prop("Interval", Int(100))}),
                                   Obj("Frame1", "TFrame1", {Prop("Align", Ident("alClient"))}, {}, TFormObjectKind::Inline)},
                                  TFormObjectKind::Inherited);
    ExpectRoundTrip(Obj("Form1", "TForm1", {Prop("Left", Int(1))}, {panel, Obj("", "TEmpty")}), "three levels of children");
}

TEST(FormTextWrite, RefusesTreesTheSyntaxCannotExpress)
{
    // levels objects, the innermost holding properties.
    auto nest = [](int levels, std::vector<TFormProperty> properties = {}) {
        TFormObject tree = Obj("", "TX", std::move(properties));
        for (int i = 1; i < levels; ++i) tree = Obj("", "TX", {}, {tree});
        return tree;
    };
    // A list counts one level below its object, a collection in it one more.
    const auto listOfCollection = [] { return std::vector<TFormProperty>{Prop("L", ListOf({Coll({})}))}; };
    const struct {
        const char* What;
        TFormObject Tree;
    } cases[] = {
        {"NaN", Obj("", "TX", {Prop("V", Flt(std::nan("")))})},
        {"infinity", Obj("", "TX", {Prop("V", Flt(-std::numeric_limits<double>::infinity()))})},
        {"property named end", Obj("", "TX", {Prop("End", Int(1))})},
        {"property named object", Obj("", "TX", {Prop("Object", Int(1))})},
        {"property named end in an item", Obj("", "TX", {Prop("C", Coll({{Prop("end", Int(1))}}))})},
        {"property name with a space", Obj("", "TX", {Prop("a b", Int(1))})},
        {"empty property name", Obj("", "TX", {Prop("", Int(1))})},
        {"property name with a trailing dot", Obj("", "TX", {Prop("Font.", Int(1))})},
        {"empty class name", Obj("A", "")},
        {"object name starting with a digit", Obj("1A", "TX")},
        {"identifier value starting with a digit", Obj("", "TX", {Prop("V", Ident("1abc"))})},
        {"empty set member", Obj("", "TX", {Prop("V", SetOf({""}))})},
        {"list in a list", Obj("", "TX", {Prop("V", ListOf({ListOf({})}))})},
        {"objects nested too deep", nest(FormTextMaxDepth + 1)},
        {"a list one level too deep", nest(FormTextMaxDepth, {Prop("L", ListOf({}))})},
        {"a collection one level too deep", nest(FormTextMaxDepth, {Prop("C", Coll({}))})},
        {"a list in an item one level too deep", nest(FormTextMaxDepth - 1, {Prop("C", Coll({{Prop("L", ListOf({}))}}))})},
        {"a collection in a list one level too deep", nest(FormTextMaxDepth - 1, listOfCollection())},
    };
    for (const auto& c : cases) EXPECT_THROW(WriteFormText(c.Tree), EInvalidOperation) << c.What;
    ExpectRoundTrip(nest(FormTextMaxDepth), "objects nested exactly as deep as allowed");
    ExpectRoundTrip(nest(FormTextMaxDepth - 1, {Prop("L", ListOf({})), Prop("C", Coll({}))}),
                    "a list and a collection as deep as allowed");
    ExpectRoundTrip(nest(FormTextMaxDepth - 2, listOfCollection()), "a collection in a list as deep as allowed");
    ExpectRoundTrip(nest(FormTextMaxDepth - 2, {Prop("C", Coll({{Prop("L", ListOf({}))}}))}),
                    "a list in an item as deep as allowed");
}

namespace {

struct TErrorCase {
    const char* What;
    std::string Text;
    int Line;
    std::string Property;
    std::string Message; // part of the message
};

void ExpectParseErrors(const std::vector<TErrorCase>& cases)
{
    for (const TErrorCase& c : cases) {
        try {
            const std::vector<char> exact(c.Text.begin(), c.Text.end()); // a read past the end shows
            ParseFormText(std::string_view(exact.data(), exact.size()));
            ADD_FAILURE() << c.What << ": parsed without error";
        } catch (const EParserError& e) {
            EXPECT_EQ(c.Line, e.Line()) << c.What << ": " << e.what();
            EXPECT_EQ(c.Property, e.Property()) << c.What << ": " << e.what();
            EXPECT_NE(std::string::npos, e.Message().find(c.Message)) << c.What << ": message is " << e.what();
        }
    }
}

std::string Form(const std::string& body) { return "object A: TA\n" + body; }

} // namespace

TEST(FormTextErrors, Tokens)
{
    try {
        ParseFormText("object A: TA\n  Left = @\nend\n");
        ADD_FAILURE() << "bad token accepted";
    } catch (const EParserError& e) {
        EXPECT_EQ("Line 2: property Left: invalid character '@'", e.Message()) << "whole message";
    }
    ExpectParseErrors({
        {"bad token where a name belongs", Form("  Left = 1\n  @Top = 2\nend\n"), 3, "", "invalid character '@'"},
        {"NUL byte", Form("  Left = 1") + std::string(1, '\0') + "\nend\n", 2, "", "invalid character #0"},
        {"byte above 127 outside a string", Form("  L\xE9" "ft = 1\nend\n"), 2, "L", "invalid character #233"},
        {"stray dot", Form("  Font. = 1\nend\n"), 2, "Font", "invalid character '.'"},
        {"the last printable character", Form("  Left = ~\nend\n"), 2, "Left", "invalid character '~'"},
        {"DEL", Form("  Left = \x7f\nend\n"), 2, "Left", "invalid character #127"},
        {"binary data as property name", Form("  {00}\nend\n"), 2, "",
         "property name, 'object' or 'end' expected but binary data found"},
        {"value missing", Form("  Left = =\nend\n"), 2, "Left", "value expected but '=' found"},
        {"string as property name", Form("  'x' = 1\nend\n"), 2, "", "property name, 'object' or 'end' expected but a string found"},
        {"missing '='", Form("  Left 228\nend\n"), 2, "Left", "'=' expected but '228' found"},
        {"':' for '='", Form("  Left : 1\nend\n"), 2, "Left", "'=' expected but ':' found"},
        {"'=' in a set", Form("  S = [a = b]\nend\n"), 2, "S", "',' or ']' expected but '=' found"},
        {"a bad number of 40 characters", Form("  Tag = 1" + std::string(39, 'x') + "\nend\n"), 2, "Tag",
         "invalid number '1" + std::string(39, 'x') + "'"},
        {"a longer one, shortened", Form("  Tag = 1" + std::string(44, 'x') + "\nend\n"), 2, "Tag",
         "invalid number '1" + std::string(39, 'x') + "...'"},
        {"missing '=' at line end", Form("  Left\n  Top = 1\nend\n"), 3, "Left", "'=' expected but 'Top' found"},
        {"number glued to letters", Form("  Left = 12px\nend\n"), 2, "Left", "invalid number '12px'"},
        {"two decimal points", Form("  Scale = 1.5.2\nend\n"), 2, "Scale", "invalid number '1.5.2'"},
        {"exponent without digits", Form("  Scale = 1e\nend\n"), 2, "Scale", "invalid number '1e'"},
        {"number ending in a dot", Form("  Left = 5.\nend\n"), 2, "Left", "invalid number '5.'"},
        {"hex glued to letters", Form("  Tag = $1G\nend\n"), 2, "Tag", "invalid number '$1G'"},
        {"'$' without digits", Form("  Tag = $\nend\n"), 2, "Tag", "hex digits expected"},
        {"integer above 64 bits", Form("  Tag = 9223372036854775808\nend\n"), 2, "Tag", "integer out of range '9223372036854775808'"},
        {"integer below 64 bits", Form("  Tag = -9223372036854775809\nend\n"), 2, "Tag", "integer out of range"},
        {"hex above 64 bits", Form("  Tag = $10000000000000000\nend\n"), 2, "Tag", "integer out of range"},
        {"float out of range", Form("  Scale = 1e400\nend\n"), 2, "Scale", "number out of range '1e400'"},
        {"float too small to tell from zero", Form("  Scale = 1e-400\nend\n"), 2, "Scale", "number out of range"},
        {"line counted in CR LF text", "object A: TA\r\n  Left = 1\r\n  Top = @\r\nend\r\n", 3, "Top", "invalid character"},
    });
    EXPECT_EQ(0.0, ParseFormText(Form("  Scale = 0.0\nend\n")).Properties.at(0).Value.Float)
        << "zero read after a number out of range";
}

TEST(FormTextErrors, Strings)
{
    ExpectParseErrors({
        {"unterminated string at end of file", Form("  Caption = 'abc"), 2, "Caption", "unterminated string"},
        {"string across LF", Form("  Caption = 'abc\n  def'\nend\n"), 2, "Caption", "string crosses a line end"},
        {"string across CR LF", "object A: TA\r\n  Caption = 'abc\r\n'\r\nend\r\n", 2, "Caption", "string crosses a line end"},
        {"character code above 255", Form("  Caption = 'a'#256\nend\n"), 2, "Caption", "character code out of range"},
        {"character code 2550", Form("  Caption = #2550\nend\n"), 2, "Caption", "character code out of range"},
        {"'+' and then nothing", Form("  Caption = 'a'\n    +\n"), 3, "Caption", "unexpected end of file"},
        {"huge character code", Form("  Caption = #99999999999999999999999\nend\n"), 2, "Caption", "character code out of range"},
        {"'#' without digits", Form("  Caption = 'a'#\nend\n"), 2, "Caption", "character code digits expected"},
        {"'#' followed by a letter", Form("  Caption = #x\nend\n"), 2, "Caption", "character code digits expected"},
        {"'+' followed by a property", Form("  Caption = 'a' +\n  Top = 1\nend\n"), 3, "Caption", "string expected after '+'"},
        {"'+' at end of file", Form("  Caption = 'a' +\n\n"), 2, "Caption", "unexpected end of file"},
        {"bad code in a joined piece", Form("  Caption = 'a' +\n 'b'#\nend\n"), 3, "Caption", "character code digits expected"},
    });
}

TEST(FormTextErrors, Structure)
{
    ExpectParseErrors({
        {"empty input", "", 1, "", "unexpected end of file"},
        {"blank input", "\n\n  \n", 1, "", "unexpected end of file"},
        {"no object keyword", "Left = 1\n", 1, "", "'object' expected but 'Left' found"},
        {"missing class name after ':'", "object Form1:\n  Left = 228\nend\n", 1, "", "class name expected after ':'"},
        {"missing class name at end of file", "object Form1:", 1, "", "class name expected"},
        {"missing name and class", "object\n  Left = 1\nend\n", 1, "", "class name expected after 'object'"},
        {"missing child class name", Form("  inherited B:\n  end\nend\n"), 2, "", "class name expected after ':'"},
        {"missing end", Form("  object B: TB\n    Left = 1\n  end\n"), 4, "", "unexpected end of file"},
        {"missing end, trailing blank lines", Form("  Left = 1\n\n\n"), 2, "", "unexpected end of file"},
        {"text after the final end", "object A: TA\nend\nobject B: TB\nend\n", 3, "", "end of file expected"},
        {"truncated after '='", Form("  Left ="), 2, "Left", "unexpected end of file"},
        {"truncated set", Form("  Anchors = [akLeft,\n"), 2, "Anchors", "unexpected end of file"},
        {"truncated list", Form("  Lines.Strings = (\n    'one'\n"), 3, "Lines.Strings", "unexpected end of file"},
        {"truncated binary", Form("  Icon.SFP = {\n    0D00\n"), 3, "Icon.SFP", "unexpected end of file"},
        {"truncated collection", Form("  Items = <\n    item\n      Caption = 'a'\n"), 4, "Items", "unexpected end of file"},
        {"truncated collection before item", Form("  Items = <\n"), 2, "Items", "unexpected end of file"},
        {"odd hex digits", Form("  Icon.SFP = {\n    0D0\n    00}\nend\n"), 2, "Icon.SFP", "odd number of hex digits"},
        {"bad hex digit", Form("  Icon.SFP = {\n    0G}\nend\n"), 3, "Icon.SFP", "invalid character in binary data"},
        {"bad lower-case hex digit", Form("  B = {0g}\nend\n"), 2, "B", "invalid character in binary data"},
        {"set without comma", Form("  Anchors = [a b]\nend\n"), 2, "Anchors", "',' or ']' expected but 'b' found"},
        {"number in a set", Form("  Anchors = [1]\nend\n"), 2, "Anchors", "set member name expected"},
        {"list in a list", Form("  L = (1\n   (2))\nend\n"), 3, "L", "a list cannot hold another list"},
        {"collection without item", Form("  Items = < foo >\nend\n"), 2, "Items", "'item' or '>' expected but 'foo' found"},
        {"error inside an item names its property", Form("  Items = <\n    item\n      Caption = @\n    end>\nend\n"), 4, "Caption", "invalid character"},
        {"missing end of an item", Form("  Items = <\n    item\n      Caption = 'a'\n    >\nend\n"), 5, "Items", "property name or 'end' expected"},
    });
}

TEST(FormTextErrors, NestingDepthIsBounded)
{
    // One object per line, so the error line is the level that goes too deep.
    auto nestedObjects = [](int levels) {
        std::string text;
        for (int i = 0; i < levels; ++i) text += "object A: TA\n";
        for (int i = 0; i < levels; ++i) text += "end\n";
        return text;
    };
    EXPECT_NO_THROW(ParseFormText(nestedObjects(FormTextMaxDepth))) << "the deepest allowed tree";
    // Collections and lists count as levels too: the opener on line L is at level L.
    std::string mixed = "object A: TA\n  V = <\n";
    std::string listFirst = "object A: TA\n  V = (\n"; // lists on even lines, the last allowed one on 64
    for (int line = 3; line <= 80; ++line) {
        mixed += line % 2 ? "item V = (\n" : "<\n";
        listFirst += line % 2 ? "<\n" : "item V = (\n";
    }
    // Bombs far deeper than any stack could hold if the parser recursed without limit.
    std::string objects, collections = Form("  V = "), lists = Form("  V = ");
    for (int i = 0; i < 100000; ++i) {
        objects += "object A: TA ";
        collections += "<item V = (";
        lists += "(";
    }
    ExpectParseErrors({
        {"one object too deep", nestedObjects(FormTextMaxDepth + 1), FormTextMaxDepth + 1, "", "nesting deeper than 64 levels"},
        {"collections and lists alternating", mixed, FormTextMaxDepth + 1, "V", "nesting deeper than 64 levels"},
        {"lists and collections alternating", listFirst, FormTextMaxDepth + 1, "V", "nesting deeper than 64 levels"},
        {"object bomb", objects, 1, "", "nesting deeper"},
        {"collection and list bomb", collections, 2, "V", "nesting deeper"},
        {"list bomb", lists, 2, "V", "a list cannot hold another list"},
    });
}

TEST(FormTextParse, LargeInputsInLinearTime)
{
    // A quadratic join or line count would take minutes here, not moments.
    constexpr int pieces = 100000;
    std::string text = "object A: TA\n  V =\n";
    for (int i = 0; i < pieces; ++i) text += "    'ab' +\n";
    text += "    'c'\n  W = (";
    for (int i = 0; i < pieces; ++i) text += "1 ";
    const TFormObject form = ParseFormText(text + ")\nend\n");
    ASSERT_EQ(2u, form.Properties.size());
    EXPECT_EQ(static_cast<size_t>(pieces) * 2 + 1, form.Properties[0].Value.Text.size()) << "joined string length";
    EXPECT_EQ(static_cast<size_t>(pieces), form.Properties[1].Value.List.size()) << "list length";
    EXPECT_EQ(pieces + 4, form.Properties[1].Line) << "line counted through the joined string";
}

namespace {

// Random trees from a fixed seed; modulo instead of std distributions keeps the trees
// the same on every standard library.
class TRandomTree {
public:
    explicit TRandomTree(unsigned seed) : FRng(seed) {}

    TFormObject Object(int depth)
    {
        TFormObject object = Obj(Below(4) ? Identifier() : "", "T" + Identifier(), {}, {}, static_cast<TFormObjectKind>(Below(3)));
        for (unsigned n = Below(5); n > 0; --n) object.Properties.push_back(Property(depth));
        for (unsigned n = depth < 4 ? Below(3) : 0; n > 0; --n) object.Children.push_back(Object(depth + 1));
        return object;
    }

private:
    std::mt19937 FRng;

    unsigned Below(unsigned n) { return static_cast<unsigned>(FRng() % n); }
    std::uint64_t Bits64() { return static_cast<std::uint64_t>(FRng()) << 32 | FRng(); }

    std::string Identifier()
    {
        static const char first[] = "abcxyzABCXYZ_", rest[] = "abcXYZ_0189";
        std::string name;
        for (unsigned segments = 1 + Below(3); segments > 0; --segments) {
            if (!name.empty()) name += '.';
            name += first[Below(sizeof first - 1)];
            for (unsigned n = Below(8); n > 0; --n) name += rest[Below(sizeof rest - 1)];
        }
        return name;
    }

    TFormProperty Property(int depth)
    {
        std::string name = Identifier();
        for (const char* keyword : {"object", "inherited", "inline", "end"}) // refused by the writer
            if (name == keyword) name += '_';
        return Prop(name, Value(depth, false));
    }

    std::string Text(unsigned maxLength)
    {
        static const char tricky[] = "'#+{}()<>[] \t\r\n\"";
        std::string text;
        for (unsigned n = Below(maxLength + 1); n > 0; --n) {
            const unsigned pick = Below(3);
            text += pick == 0 ? static_cast<char>(Below(256)) : pick == 1 ? tricky[Below(sizeof tricky - 1)] : static_cast<char>('a' + Below(26));
        }
        return text;
    }

    double AnyFiniteDouble()
    {
        if (Below(2)) return static_cast<double>(static_cast<int>(Below(2000001)) - 1000000) / 1000.0;
        for (double v;;) {
            const std::uint64_t bits = Bits64();
            std::memcpy(&v, &bits, sizeof v);
            if (std::isfinite(v)) return v;
        }
    }

    TFormValue Value(int depth, bool inList)
    {
        unsigned kind = Below(depth < 6 ? 8 : 6);
        if (kind == 6 && inList) kind = 7;
        switch (kind) {
        case 0: return Int(Below(2) ? static_cast<long long>(Bits64()) : static_cast<long long>(Below(2001)) - 1000);
        case 1: return Flt(AnyFiniteDouble());
        case 2: return Str(Text(Below(4) ? 20 : 300));
        case 3: return Ident(Identifier());
        case 4: {
            std::vector<std::string> members(Below(4));
            for (std::string& m : members) m = Identifier();
            return SetOf(members);
        }
        case 5: {
            const std::string raw = Text(Below(3) ? 10 : 100);
            return Bin(std::vector<unsigned char>(raw.begin(), raw.end()));
        }
        case 6: {
            std::vector<TFormValue> items;
            for (unsigned n = Below(5); n > 0; --n) items.push_back(Value(depth + 1, true));
            return ListOf(items);
        }
        default: {
            std::vector<std::vector<TFormProperty>> items(Below(4));
            for (std::vector<TFormProperty>& item : items)
                for (unsigned n = Below(4); n > 0; --n) item.push_back(Property(depth + 1));
            return Coll(items);
        }
        }
    }
};

} // namespace

TEST(FormTextRoundTrip, RandomTrees)
{
    TRandomTree random(20240611u);
    for (int i = 0; i < 300 && !HasFailure(); ++i) ExpectRoundTrip(random.Object(1), "random tree " + std::to_string(i));
}
