// framework/FormText.h
// The text form of a form description: a plain tree of objects, properties and values,
// read from and written to the classic text form-file syntax. It knows nothing of
// components or classes; the form reader and writer build on it. No <windows.h> here:
// this file is compiled natively too, unit-tested and fuzzed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class TFormValueKind { Integer, Float, String, Identifier, Set, Binary, List, Collection };

struct TFormProperty;

// One value. Only the field that belongs to Kind is written; the others stay empty in
// what the parser returns.
struct TFormValue {
    TFormValueKind Kind = TFormValueKind::Integer;
    int Line = 0; // line the value starts on
    long long Integer = 0;
    double Float = 0;
    std::string Text;                // String (raw 8-bit bytes) or Identifier
    std::vector<std::string> Set;    // set member names
    std::vector<unsigned char> Binary;
    std::vector<TFormValue> List;    // never holds a List itself
    std::vector<std::vector<TFormProperty>> Items; // Collection: one property list per item
};

struct TFormProperty {
    std::string Name; // dotted, e.g. "Font.Height"
    TFormValue Value;
    int Line = 0;
};

enum class TFormObjectKind { Object, Inherited, Inline };

struct TFormObject {
    TFormObjectKind Kind = TFormObjectKind::Object;
    std::string Name; // empty for an unnamed object ("object TClass")
    std::string ClassName;
    int Line = 0;
    std::vector<TFormProperty> Properties;
    std::vector<TFormObject> Children;
};

// Objects, lists and collections nest at most this deep, counting the top object as 1.
// Outside input must not be able to exhaust the stack.
inline constexpr int FormTextMaxDepth = 64;

// Field-by-field equality ignoring every Line. Floats compare by bit pattern, so -0.0
// and 0.0 differ.
bool operator==(const TFormValue& a, const TFormValue& b);
bool operator==(const TFormProperty& a, const TFormProperty& b);
bool operator==(const TFormObject& a, const TFormObject& b);

// Reads exactly one top-level object; only white space may follow it. LF and CR LF line
// ends are both accepted. Throws EParserError naming the line (counted from 1) and the
// property being read for every fault.
TFormObject ParseFormText(std::string_view text);

// Two-space indentation, CR LF line ends. ParseFormText(WriteFormText(x)) == x for every
// tree the writer accepts; a tree the syntax cannot express (a name that is no
// identifier, a property named like a keyword, a non-finite float, a list in a list,
// nesting deeper than FormTextMaxDepth) throws EInvalidOperation.
std::string WriteFormText(const TFormObject& root);
