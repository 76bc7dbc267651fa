// tests/win/RegistryTest.cpp
// The registry object against the test prefix's real registry, read back with bare calls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Registry.h"
#include "TestRegistry.h"

namespace {

const std::string Base = "Software\\Tallyglass Tests\\Registry";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteTree(HKEY_CURRENT_USER, Base); }
    void TearDown() override { DeleteTree(HKEY_CURRENT_USER, Base); }
};

TEST_F(RegistryTest, OpeningNeverCreatesUnlessAskedAndPathsStartWhereTheySay)
{
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey("\\" + Base, false)) << "a missing key does not open";
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, Base)) << "and is not made";
    ASSERT_TRUE(reg.OpenKey("\\" + Base + "\\Deep\\", true)) << "created, trailing backslash and all";
    // Without a leading backslash the path goes on from the open key; with one, from the root.
    ASSERT_TRUE(reg.OpenKey("Deeper", true));
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, Base + "\\Deep\\Deeper"));
    ASSERT_TRUE(reg.OpenKey("\\" + Base, false));
    EXPECT_EQ(std::vector<std::string>{"Deep"}, reg.GetKeyNames());
    HKEY before = reg.CurrentKey();
    EXPECT_FALSE(reg.OpenKey("Missing", false));
    EXPECT_EQ(before, reg.CurrentKey()) << "a failed open keeps the key that was open";
    reg.CloseKey();
    EXPECT_FALSE(reg.WriteString("At", "x")) << "no key open";

    // Read-only: the system refuses writes.
    SetText(HKEY_CURRENT_USER, Base, "At", "base");
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\" + Base));
    EXPECT_EQ("base", reg.ReadString("At"));
    EXPECT_FALSE(reg.WriteString("At", "changed"));
    EXPECT_EQ("base", RawText(HKEY_CURRENT_USER, Base, "At"));
    EXPECT_FALSE(TRegistry(HKEY_LOCAL_MACHINE).KeyExists("\\" + Base)) << "looked up under the object's own root";
}

TEST_F(RegistryTest, ValuesRoundTripAndWrongTypesReadAsAbsent)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\" + Base, true));
    for (const std::string& text : {std::string(), std::string("C:\\Tools\\app.exe"), std::string(3000, 'x')}) {
        const std::string name = "Text" + std::to_string(text.size());
        EXPECT_TRUE(reg.WriteString(name, text));
        EXPECT_EQ(text, RawText(HKEY_CURRENT_USER, Base, name)) << name << " as stored";
        EXPECT_EQ(text, reg.ReadString(name)) << name;
    }
    for (int n : {0, -5, 0x7fffffff, static_cast<int>(0x80000000u)}) {
        EXPECT_TRUE(reg.WriteInteger("Number", n));
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), RawValue(HKEY_CURRENT_USER, Base, "Number")->Type);
        EXPECT_EQ(n, reg.ReadInteger("Number")) << n;
    }
    for (const std::string& bytes : {std::string(), std::string("\2", 1), std::string("\0\xff\0", 3)}) {
        EXPECT_TRUE(reg.WriteBinary("Bytes", bytes));
        EXPECT_EQ(static_cast<DWORD>(REG_BINARY), RawValue(HKEY_CURRENT_USER, Base, "Bytes")->Type);
        EXPECT_EQ(bytes, RawValue(HKEY_CURRENT_USER, Base, "Bytes")->Data) << bytes.size() << " bytes as stored";
        EXPECT_EQ(bytes, reg.ReadBinary("Bytes")) << bytes.size() << " bytes";
    }
    EXPECT_TRUE(reg.WriteBool("Flag", true));
    EXPECT_EQ(1, reg.ReadInteger("Flag")) << "a flag is the number 1";

    // Values stored by others.
    SetValue(HKEY_CURRENT_USER, Base, "Unterminated", "abc", 3);
    SetText(HKEY_CURRENT_USER, Base, "Expand", "%TEMP%\\x", REG_EXPAND_SZ);
    SetValue(HKEY_CURRENT_USER, Base, "Short", "\1\2", 2, REG_DWORD);
    SetValue(HKEY_CURRENT_USER, Base, "Binary", "\1\0\0\0", 4, REG_BINARY);
    EXPECT_EQ("abc", reg.ReadString("Unterminated"));
    EXPECT_EQ("%TEMP%\\x", reg.ReadString("Expand")) << "not expanded";
    for (const char* name : {"Number", "Binary", "Missing"}) EXPECT_FALSE(reg.ReadString(name).has_value()) << name;
    for (const char* name : {"Text0", "Short", "Binary", "Missing"}) EXPECT_FALSE(reg.ReadInteger(name).has_value()) << name;
    EXPECT_FALSE(reg.ReadBool("Text0").has_value());
    for (const char* name : {"Text0", "Number", "Missing"}) EXPECT_FALSE(reg.ReadBinary(name).has_value()) << name;

    EXPECT_TRUE(reg.ValueExists("Binary"));
    EXPECT_TRUE(reg.DeleteValue("Binary"));
    EXPECT_FALSE(RawValue(HKEY_CURRENT_USER, Base, "Binary").has_value());
    EXPECT_FALSE(reg.ValueExists("Binary"));
    EXPECT_FALSE(reg.DeleteValue("Binary")) << "already gone";
    EXPECT_FALSE(TRegistry::ValueExists(nullptr, "Number")) << "no key";
}

} // namespace
