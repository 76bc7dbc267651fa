// tests/win/RegistryTest.cpp
// The registry object against the test prefix's real registry, read back with the bare
// system calls.
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
    EXPECT_EQ(nullptr, reg.CurrentKey());
    EXPECT_FALSE(reg.KeyExists("\\" + Base));

    ASSERT_TRUE(reg.OpenKey("\\" + Base + "\\Deep\\", true)) << "created, trailing backslash and all";
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, Base + "\\Deep"));
    // Without a leading backslash the path goes on from the open key...
    ASSERT_TRUE(reg.OpenKey("Deeper", true));
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, Base + "\\Deep\\Deeper"));
    // ...with one, from the root again.
    ASSERT_TRUE(reg.OpenKey("\\" + Base, false));
    EXPECT_TRUE(reg.WriteString("At", "base"));
    EXPECT_EQ("base", RawText(HKEY_CURRENT_USER, Base, "At"));
    EXPECT_EQ(std::vector<std::string>{"Deep"}, reg.GetKeyNames());
    // A failed open keeps the key that was open.
    HKEY before = reg.CurrentKey();
    EXPECT_FALSE(reg.OpenKey("Missing", false));
    EXPECT_EQ(before, reg.CurrentKey());

    reg.CloseKey();
    EXPECT_FALSE(reg.WriteString("At", "x")) << "no key open";
    EXPECT_FALSE(reg.ReadString("At").has_value());
    EXPECT_FALSE(reg.ValueExists("At"));

    // Read-only: reads work, writes are refused by the system.
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\" + Base));
    EXPECT_EQ("base", reg.ReadString("At"));
    EXPECT_FALSE(reg.WriteString("At", "changed"));
    EXPECT_EQ("base", RawText(HKEY_CURRENT_USER, Base, "At"));
    EXPECT_EQ(static_cast<REGSAM>(KEY_ALL_ACCESS), reg.Access()) << "the object's own access is kept";

    // Another root.
    TRegistry machine(HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(machine.KeyExists("\\Software"));
    EXPECT_FALSE(machine.KeyExists("\\" + Base)) << "the path is looked up under the object's root";
}

TEST_F(RegistryTest, ValuesRoundTripAndWrongTypesReadAsAbsent)
{
    TRegistry reg(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey("\\" + Base, true));
    const std::string long_(3000, 'x');
    const struct {
        const char* Name;
        std::string Text;
    } texts[] = {{"Empty", ""}, {"Word", "C:\\Tools\\app.exe"}, {"Long", long_}, {"", "default value"}};
    for (const auto& t : texts) {
        EXPECT_TRUE(reg.WriteString(t.Name, t.Text)) << t.Name;
        EXPECT_EQ(t.Text, RawText(HKEY_CURRENT_USER, Base, t.Name)) << t.Name << " as stored";
        EXPECT_EQ(t.Text, reg.ReadString(t.Name)) << t.Name << " read back";
        EXPECT_TRUE(reg.ValueExists(t.Name)) << t.Name;
    }
    const int numbers[] = {0, 1, -5, 0x7fffffff, static_cast<int>(0x80000000u)};
    for (int n : numbers) {
        EXPECT_TRUE(reg.WriteInteger("Number", n));
        std::optional<TRawValue> raw = RawValue(HKEY_CURRENT_USER, Base, "Number");
        ASSERT_TRUE(raw.has_value());
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), raw->Type) << n;
        EXPECT_EQ(n, reg.ReadInteger("Number")) << n;
    }
    EXPECT_TRUE(reg.WriteBool("Flag", true));
    EXPECT_EQ(true, reg.ReadBool("Flag"));
    EXPECT_EQ(1, reg.ReadInteger("Flag")) << "a flag is the number 1";

    // Stored by others: text without its terminating zero, expandable text, and values
    // of the wrong type for the call.
    SetValue(HKEY_CURRENT_USER, Base, "Unterminated", "abc", 3);
    SetText(HKEY_CURRENT_USER, Base, "Expand", "%TEMP%\\x", REG_EXPAND_SZ);
    SetValue(HKEY_CURRENT_USER, Base, "Short", "\1\2", 2, REG_DWORD);
    SetValue(HKEY_CURRENT_USER, Base, "Binary", "\1\0\0\0", 4, REG_BINARY);
    EXPECT_EQ("abc", reg.ReadString("Unterminated"));
    EXPECT_EQ("%TEMP%\\x", reg.ReadString("Expand")) << "not expanded";
    EXPECT_FALSE(reg.ReadString("Number").has_value()) << "a number is not text";
    EXPECT_FALSE(reg.ReadInteger("Word").has_value()) << "text is not a number";
    EXPECT_FALSE(reg.ReadInteger("Short").has_value()) << "a short number is malformed";
    EXPECT_FALSE(reg.ReadInteger("Binary").has_value()) << "binary data is not a number";
    EXPECT_FALSE(reg.ReadBool("Word").has_value());
    EXPECT_FALSE(reg.ReadString("Missing").has_value());
    EXPECT_FALSE(reg.ValueExists("Missing"));

    EXPECT_TRUE(reg.DeleteValue("Word"));
    EXPECT_FALSE(RawValue(HKEY_CURRENT_USER, Base, "Word").has_value());
    EXPECT_FALSE(reg.DeleteValue("Word")) << "already gone";
    EXPECT_TRUE(TRegistry::ValueExists(reg.CurrentKey(), "Long"));
    EXPECT_FALSE(TRegistry::ValueExists(nullptr, "Long")) << "no key";
}

} // namespace
