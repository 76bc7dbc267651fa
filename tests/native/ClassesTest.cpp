// tests/native/ClassesTest.cpp
// The object model and the form reader/writer on components made for the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Classes.h"
#include "FormReader.h"

namespace {

std::vector<std::string> Log;
int Alive = 0;

enum class TShade { shLight, shMedium, shDark };
enum class TPart { ptTop, ptMiddle, ptBottom };

class TSettings : public TPersistent {
public:
    TG_DECLARE_CLASS()
    int Size() const { return FSize; }
    void SetSize(int v) { FSize = v; }
    const std::string& Label() const { return FLabel; }
    void SetLabel(const std::string& v) { FLabel = v; }
    // A property the object streams itself, as packed pictures do.
    std::vector<unsigned char> Blob;
    bool ReadDefinedProperty(const std::string& name, const TFormValue& value) override
    {
        if (name != "Data") return false;
        if (value.Kind != TFormValueKind::Binary) throw EReadError(value.Line, name, "binary expected");
        Blob = value.Binary;
        return true;
    }
    void WriteDefinedProperties(std::vector<std::pair<std::string, TFormValue>>& out) const override
    {
        if (Blob.empty()) return;
        TFormValue v;
        v.Kind = TFormValueKind::Binary;
        v.Binary = Blob;
        out.emplace_back("Data", v);
    }

private:
    int FSize = 10;
    std::string FLabel;
};

class TThing : public TComponent {
public:
    TG_DECLARE_CLASS()
    explicit TThing(TComponent* owner) : TComponent(owner), FSettings(std::make_unique<TSettings>()), FLines(std::make_unique<TStrings>())
    {
        ++Alive;
    }
    ~TThing() override
    {
        --Alive;
        Log.push_back("destroy " + Name());
    }

    int Count() const { return FCount; }
    void SetCount(int v)
    {
        FCount = v;
        Log.push_back(Name() + ".Count=" + std::to_string(v));
    }
    bool Active() const { return FActive; }
    void SetActive(bool v) { FActive = v; }
    const std::string& Text() const { return FText; }
    void SetText(const std::string& v) { FText = v; }
    double Ratio() const { return FRatio; }
    void SetRatio(double v) { FRatio = v; }
    TShade Shade() const { return FShade; }
    void SetShade(TShade v) { FShade = v; }
    unsigned Parts() const { return FParts; }
    void SetParts(unsigned v) { FParts = v; }
    unsigned long long Wide() const { return FWide; }
    void SetWide(unsigned long long v) { FWide = v; }
    int Color() const { return FColor; }
    void SetColor(int v)
    {
        if (v < 0 && v != -5) throw EInvalidOperation("negative colours other than -5 are refused");
        FColor = v;
    }
    TSettings* Settings() const { return FSettings.get(); }
    TStrings* Lines() const { return FLines.get(); }
    TThing* Buddy() const { return FBuddy; }
    void SetBuddy(TThing* b)
    {
        if (FBuddy) FBuddy->RemoveFreeNotification(this);
        FBuddy = b;
        if (b) b->FreeNotification(this);
        Log.push_back(Name() + ".Buddy=" + (b ? b->Name() : "nil"));
    }
    TNotifyEvent OnPoke;

    TComponent* FParentThing = nullptr;
    TComponent* GetParentComponent() const override { return FParentThing; }
    bool HasParent() const override { return FParentThing != nullptr; }
    void SetParentComponent(TComponent* parent) override
    {
        FParentThing = dynamic_cast<TThing*>(parent) ? parent : nullptr;
    }
    void GetChildren(std::vector<TComponent*>& out, TComponent* root) const override
    {
        for (int i = 0; i < root->ComponentCount(); ++i) {
            auto* t = dynamic_cast<TThing*>(root->Components(i));
            if (t && t->FParentThing == this) out.push_back(t);
        }
    }

    void Loaded() override
    {
        TComponent::Loaded();
        Log.push_back("Loaded " + Name() + " Count=" + std::to_string(FCount) + " Buddy=" + (FBuddy ? FBuddy->Name() : "nil"));
    }

protected:
    void Notification(TComponent* c, TOperation op) override
    {
        TComponent::Notification(c, op);
        if (op == TOperation::Remove && c == FBuddy) {
            Log.push_back(Name() + " forgets " + c->Name());
            FBuddy = nullptr;
        }
    }

private:
    int FCount = 0;
    bool FActive = false;
    std::string FText;
    double FRatio = 0.5;
    TShade FShade = TShade::shLight;
    unsigned FParts = 0;
    unsigned long long FWide = 0;
    int FColor = 0;
    std::unique_ptr<TSettings> FSettings;
    std::unique_ptr<TStrings> FLines;
    TThing* FBuddy = nullptr;
};

class TTestRoot : public TThing {
public:
    TG_DECLARE_CLASS()
    using TThing::TThing;
    void ThingPoked(TObject* sender) { Log.push_back("poked by " + static_cast<TComponent*>(sender)->Name()); }
    void WrongShape(TObject*, int) {}
};

// A form class with published fields: the reader binds them by name.
class TFieldRoot : public TTestRoot {
public:
    TG_DECLARE_CLASS()
    using TTestRoot::TTestRoot;
    TThing* A = nullptr;
    TThing* C = nullptr;  // nested inside A in the stored form, owned by the root
    TThing* CInLoaded = nullptr;
    void Loaded() override
    {
        TTestRoot::Loaded();
        CInLoaded = C;
    }
};

// Its field B must be a TFieldRoot: a plain TThing of that name does not do.
class TPickyRoot : public TFieldRoot {
public:
    TG_DECLARE_CLASS()
    using TFieldRoot::TFieldRoot;
    TFieldRoot* B = nullptr;
};

TIdentMap& Colors()
{
    static TIdentMap& m = [] () -> TIdentMap& {
        auto& map = IdentMap("TestColor");
        map.Add("clTestRed", 255);
        map.Add("clTestMinus", -5);
        return map;
    }();
    return m;
}

const TClassInfo& TSettings::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TSettings", &TPersistent::StaticClassInfo(), nullptr, {}, {}};
        i.Props.push_back(IntProp("Size", &TSettings::Size, &TSettings::SetSize, 10));
        i.Props.push_back(StrProp<TSettings>("Label", &TSettings::Label, &TSettings::SetLabel));
        return i;
    }();
    return info;
}

const TClassInfo& TThing::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TThing", &TComponent::StaticClassInfo(), &CreateComponentOf<TThing>, {}, {}};
        auto& p = i.Props;
        p.push_back(IntProp("Count", &TThing::Count, &TThing::SetCount, 0));
        p.push_back(BoolProp("Active", &TThing::Active, &TThing::SetActive, false));
        p.push_back(StrProp<TThing>("Text", &TThing::Text, &TThing::SetText));
        p.push_back(FloatProp("Ratio", &TThing::Ratio, &TThing::SetRatio, 0.5));
        p.push_back(EnumProp("Shade", &TThing::Shade, &TThing::SetShade, {"shLight", "shMedium", "shDark"},
                             std::optional(TShade::shLight)));
        p.push_back(SetProp("Parts", &TThing::Parts, &TThing::SetParts, {"ptTop", "ptMiddle", "ptBottom"}, 0));
        std::vector<std::string> wide; // a set type of 70 members: w0 to w69
        for (int n = 0; n < 70; ++n) wide.push_back("w" + std::to_string(n));
        p.push_back(SetProp("Wide", &TThing::Wide, &TThing::SetWide, std::move(wide), 0));
        p.push_back(IntProp("Color", &TThing::Color, &TThing::SetColor, 0, &Colors()));
        p.push_back(ObjProp("Settings", &TThing::Settings));
        p.push_back(ObjProp("Lines", &TThing::Lines));
        p.push_back(CompProp("Buddy", &TThing::Buddy, &TThing::SetBuddy));
        p.push_back(EventProp("OnPoke", &TThing::OnPoke));
        return i;
    }();
    return info;
}

const TClassInfo& TTestRoot::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TTestRoot", &TThing::StaticClassInfo(), &CreateComponentOf<TTestRoot>, {}, {}};
        i.Methods.push_back(Method("ThingPoked", &TTestRoot::ThingPoked));
        i.Methods.push_back(Method("WrongShape", &TTestRoot::WrongShape));
        return i;
    }();
    return info;
}

const TClassInfo& TFieldRoot::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TFieldRoot", &TTestRoot::StaticClassInfo(), &CreateComponentOf<TFieldRoot>, {}, {}};
        i.Fields = {Field("A", &TFieldRoot::A), Field("C", &TFieldRoot::C)};
        return i;
    }();
    return info;
}

const TClassInfo& TPickyRoot::StaticClassInfo()
{
    static const TClassInfo info = [] {
        TClassInfo i{"TPickyRoot", &TFieldRoot::StaticClassInfo(), &CreateComponentOf<TPickyRoot>, {}, {}};
        i.Fields = {Field("B", &TPickyRoot::B)};
        return i;
    }();
    return info;
}

struct TRegister {
    TRegister()
    {
        RegisterComponentClass(TFieldRoot::StaticClassInfo());
        RegisterComponentClass(TPickyRoot::StaticClassInfo());
        RegisterComponentClass(TThing::StaticClassInfo());
        RegisterComponentClass(TTestRoot::StaticClassInfo());
    }
} Registered;

const char* FullForm =
    "object Root: TTestRoot\r\n"
    "  Count = 1\r\n"
    "  object A: TThing\r\n"
    "    Count = 2\r\n"
    "    Active = True\r\n"
    "    Text = 'Pellory'#174' ''quoted'''\r\n"
    "    Ratio = 2.25\r\n"
    "    Shade = shDark\r\n"
    "    Parts = [ptTop, ptBottom]\r\n"
    "    Color = clTestRed\r\n"
    "    Settings.Size = 42\r\n"
    "    Settings.Label = 'inner'\r\n"
    "    Settings.Data = {0D0000FF}\r\n"
    "    Lines.Strings = (\r\n"
    "      'one'\r\n"
    "      'two')\r\n"
    "    Buddy = B\r\n"
    "    OnPoke = ThingPoked\r\n"
    "    object C: TThing\r\n"
    "      Count = 4\r\n"
    "    end\r\n"
    "  end\r\n"
    "  object B: TThing\r\n"
    "    Count = 3\r\n"
    "    Buddy = Root.A\r\n"
    "  end\r\n"
    "end\r\n";

class ClassesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Log.clear();
        Alive = 0;
    }
};

TEST_F(ClassesTest, ReadsEveryValueKindIntoTheComponents)
{
    std::unique_ptr<TComponent> root(TFormReader::CreateRoot(FullForm, nullptr));
    auto* a = dynamic_cast<TThing*>(root->FindComponent("A"));
    auto* b = dynamic_cast<TThing*>(root->FindComponent("B"));
    auto* c = dynamic_cast<TThing*>(root->FindComponent("C"));
    ASSERT_NE(nullptr, a);
    ASSERT_NE(nullptr, b);
    ASSERT_NE(nullptr, c);
    EXPECT_EQ("Root", root->Name());
    EXPECT_EQ(2, a->Count());
    EXPECT_TRUE(a->Active());
    EXPECT_EQ(std::string("Pellory\xAE 'quoted'"), a->Text()) << "#174 is the single byte 0xAE";
    EXPECT_DOUBLE_EQ(2.25, a->Ratio());
    EXPECT_EQ(TShade::shDark, a->Shade());
    EXPECT_EQ(0b101u, a->Parts()) << "ptTop and ptBottom are bits 0 and 2";
    EXPECT_EQ(255, a->Color()) << "identifier resolved through the property's map";
    EXPECT_EQ(42, a->Settings()->Size());
    EXPECT_EQ("inner", a->Settings()->Label());
    EXPECT_EQ((std::vector<unsigned char>{0x0D, 0x00, 0x00, 0xFF}), a->Settings()->Blob);
    ASSERT_EQ(2, a->Lines()->Count());
    EXPECT_EQ("two", (*a->Lines())[1]);
    EXPECT_EQ(b, a->Buddy());
    EXPECT_EQ(a, b->Buddy()) << "Root.A names a component of the root";
    EXPECT_EQ(a, c->GetParentComponent()) << "nested objects get their enclosing component as parent";
    Log.clear();
    a->OnPoke(a);
    EXPECT_EQ(std::vector<std::string>{"poked by A"}, Log);
    EXPECT_EQ("ThingPoked", a->OnPoke.MethodName());
}

TEST_F(ClassesTest, LoadedRunsOnceForEachAfterTheWholeFormIsRead)
{
    std::unique_ptr<TComponent> root(TFormReader::CreateRoot(FullForm, nullptr));
    std::vector<std::string> loaded;
    for (const auto& line : Log)
        if (line.rfind("Loaded ", 0) == 0) loaded.push_back(line);
    // Every property, references included, is set before the first Loaded.
    const std::vector<std::string> expected = {"Loaded Root Count=1 Buddy=nil", "Loaded A Count=2 Buddy=B",
                                               "Loaded C Count=4 Buddy=nil", "Loaded B Count=3 Buddy=A"};
    EXPECT_EQ(expected, loaded);
    auto firstLoaded = std::find_if(Log.begin(), Log.end(), [](const std::string& s) { return s.rfind("Loaded", 0) == 0; });
    auto lastSet = std::find(Log.begin(), Log.end(), "B.Buddy=A");
    EXPECT_LT(lastSet - Log.begin(), firstLoaded - Log.begin()) << "references resolve before Loaded";
    EXPECT_FALSE(root->Loading());
    EXPECT_FALSE(root->FindComponent("A")->Loading());
}

TEST_F(ClassesTest, WriterRoundTripsAndStoresOnlyWhatDiffersFromTheDefault)
{
    std::unique_ptr<TComponent> root(TFormReader::CreateRoot(FullForm, nullptr));
    const std::string text = TFormWriter::Write(*root);
    TFormObject written = ParseFormText(text);
    // References are written by plain name.
    std::string expected = FullForm;
    expected.replace(expected.find("Root.A"), 6, "A");
    EXPECT_EQ(ParseFormText(expected), written) << text;

    // A component at its defaults stores nothing but its header.
    TTestRoot fresh(nullptr);
    fresh.SetName("Fresh");
    TFormObject bare = TFormWriter::WriteTree(fresh);
    EXPECT_TRUE(bare.Properties.empty()) << WriteFormText(bare);

    // And reading the written text gives the same components again.
    Log.clear();
    std::unique_ptr<TComponent> again(TFormReader::CreateRoot(text, nullptr));
    EXPECT_EQ(text, TFormWriter::Write(*again));

    // The 64th member of a set is stored; a reference to another form's component is not,
    // since no reader of this form could find it.
    TTestRoot other(nullptr);
    other.SetName("Other");
    auto* elsewhere = new TThing(&other);
    elsewhere->SetName("Elsewhere");
    auto* a = static_cast<TThing*>(again->FindComponent("A"));
    a->SetWide(1ULL << 63);
    a->SetBuddy(elsewhere);
    const std::string edge = TFormWriter::Write(*again);
    EXPECT_NE(std::string::npos, edge.find("Wide = [w63]")) << edge;
    EXPECT_EQ(std::string::npos, edge.find("Elsewhere")) << edge;
    std::unique_ptr<TComponent> third(TFormReader::CreateRoot(edge, nullptr));
    EXPECT_EQ(1ULL << 63, static_cast<TThing*>(third->FindComponent("A"))->Wide());
}

struct TBadCase {
    const char* Text;
    int Line;
    const char* Property;
    const char* Fragment;
};

TEST_F(ClassesTest, MalformedFormsNameTheLineAndLeaveNothingAlive)
{
    const TBadCase cases[] = {
        {"object Root: TTestRoot\n  object A: TThing\n    Count = @\n  end\nend\n", 3, "", ""},
        {"object Root: TTestRoot\n  object A: TNoSuchThing\n  end\nend\n", 2, "", "TNoSuchThing"},
        {"object Root: TTestRoot\n  object A: TThing\n    Colour = 3\n  end\nend\n", 3, "Colour", "Unknown property"},
        {"object Root: TTestRoot\n  object A: TThing\n    Count = 'three'\n  end\nend\n", 3, "Count", "Wrong value type"},
        {"object Root: TTestRoot\n  object A: TThing\n    Active = 1\n  end\nend\n", 3, "Active", "Wrong value type"},
        {"object Root: TTestRoot\n  object A: TThing\n    Shade = shPurple\n  end\nend\n", 3, "Shade", "shPurple"},
        {"object Root: TTestRoot\n  object A: TThing\n    Parts = [ptSide]\n  end\nend\n", 3, "Parts", "ptSide"},
        {"object Root: TTestRoot\n  object A: TThing\n    Wide = [w64]\n  end\nend\n", 3, "Wide", "out of range w64"},
        {"object Root: TTestRoot\n  object A: TThing\n    Color = clNoSuch\n  end\nend\n", 3, "Color", "clNoSuch"},
        {"object Root: TTestRoot\n  object A: TThing\n    Color = -7\n  end\nend\n", 3, "Color", "refused"},
        {"object Root: TTestRoot\n  object A: TThing\n    Count = 5000000000\n  end\nend\n", 3, "Count", "range"},
        {"object Root: TTestRoot\n  object A: TThing\n    Buddy = Nobody\n  end\nend\n", 3, "Buddy", "Nobody"},
        {"object Root: TTestRoot\n  object A: TThing\n    OnPoke = NoSuchMethod\n  end\nend\n", 3, "OnPoke", "NoSuchMethod"},
        {"object Root: TTestRoot\n  object A: TThing\n    OnPoke = WrongShape\n  end\nend\n", 3, "OnPoke", "parameters"},
        {"object Root: TTestRoot\n  object A: TThing\n    Settings = 3\n  end\nend\n", 3, "Settings", "dotted"},
        {"object Root: TTestRoot\n  object A: TThing\n    Settings.Nope = 3\n  end\nend\n", 3, "Settings.Nope", "Unknown"},
        {"object Root: TTestRoot\n  object A: TThing\n    Count = 2\n", 3, "", "end of file"},
        {"object Root: TTestRoot\n  object A: TThing\n  end\n  object A: TThing\n  end\nend\n", 4, "Name", "already"},
    };
    for (const auto& c : cases) {
        Log.clear();
        Alive = 0;
        try {
            std::unique_ptr<TComponent> root(TFormReader::CreateRoot(c.Text, nullptr));
            ADD_FAILURE() << "no error for:\n" << c.Text;
        } catch (const EReadError& e) {
            EXPECT_EQ(c.Line, e.Line()) << e.Message() << "\nfor:\n" << c.Text;
            if (*c.Property) EXPECT_EQ(c.Property, e.Property()) << e.Message();
            EXPECT_NE(std::string::npos, e.Message().find(c.Fragment)) << e.Message();
            EXPECT_NE(std::string::npos, e.Message().find("Line " + std::to_string(c.Line))) << e.Message();
        }
        EXPECT_EQ(0, Alive) << "components left alive after:\n" << c.Text;
    }
}

TEST_F(ClassesTest, ReadingIntoAnExistingRootCleansUpOnlyWhatItMade)
{
    TTestRoot root(nullptr);
    auto* keep = new TThing(&root);
    keep->SetName("Keep");
    Alive = 1;
    EXPECT_THROW(TFormReader::ReadRoot(root, "object Root: TTestRoot\n  object Keep: TThing\n  end\n  object A: TThing\n"
                                             "  end\n  object B: TBad\n  end\nend\n"),
                 EClassNotFound);
    EXPECT_EQ(1, root.ComponentCount());
    EXPECT_EQ(keep, root.FindComponent("Keep"));
    EXPECT_FALSE(root.Loading()) << "a failed read leaves no loading state behind";
    EXPECT_FALSE(keep->Loading()) << "nor in a component it read into";
    EXPECT_NE(Log.end(), std::find(Log.begin(), Log.end(), "Loaded Keep Count=0 Buddy=nil"));
    // A component the root already has is read into, not created twice.
    TFormReader::ReadRoot(root, "object Root: TTestRoot\n  object Keep: TThing\n    Count = 9\n  end\nend\n");
    EXPECT_EQ(1, root.ComponentCount());
    EXPECT_EQ(9, keep->Count());
}

TEST_F(ClassesTest, PublishedFieldsAreBoundBeforeLoadedAndClearedWhenTheirComponentGoes)
{
    std::string text = FullForm;
    text.replace(text.find("TTestRoot"), 9, "TFieldRoot");
    std::unique_ptr<TComponent> made(TFormReader::CreateRoot(text, nullptr));
    auto* root = dynamic_cast<TFieldRoot*>(made.get());
    ASSERT_NE(nullptr, root);
    ASSERT_NE(nullptr, root->A);
    EXPECT_EQ("A", root->A->Name());
    ASSERT_NE(nullptr, root->C) << "a component nested in another is still the root's";
    EXPECT_EQ(4, root->C->Count());
    EXPECT_EQ(root->C, root->CInLoaded) << "bound before Loaded runs";
    delete root->C;
    EXPECT_EQ(nullptr, root->C) << "a field never points at a freed component";
    EXPECT_NE(nullptr, root->A);
}

TEST_F(ClassesTest, AStoredFormWithoutAPublishedFieldIsRefusedWhole)
{
    const TBadCase cases[] = {
        // C missing.
        {"object Root: TFieldRoot\n  object A: TThing\n  end\nend\n", 1, "C", "The stored form has no TThing named C"},
        // B there, but not of the field's class.
        {"object Root: TPickyRoot\n  object A: TThing\n    object C: TThing\n    end\n  end\n  object B: TThing\n  end\nend\n",
         1, "B", "The stored form has no TFieldRoot named B"},
    };
    for (const auto& c : cases) {
        Alive = 0;
        try {
            std::unique_ptr<TComponent> root(TFormReader::CreateRoot(c.Text, nullptr));
            ADD_FAILURE() << "no error for:\n" << c.Text;
        } catch (const EReadError& e) {
            EXPECT_EQ(c.Line, e.Line()) << e.Message();
            EXPECT_EQ(c.Property, e.Property()) << e.Message();
            EXPECT_NE(std::string::npos, e.Message().find(c.Fragment)) << e.Message();
        }
        EXPECT_EQ(0, Alive) << "components left alive after:\n" << c.Text;
    }
    // Reading into a root that exists: what the read made goes, and no field dangles.
    TFieldRoot root(nullptr);
    EXPECT_THROW(TFormReader::ReadRoot(root, "object Root: TFieldRoot\n  object A: TThing\n  end\nend\n"), EReadError);
    EXPECT_EQ(0, root.ComponentCount());
    EXPECT_EQ(nullptr, root.A) << "bound, then its component was freed with the failed read";
    EXPECT_EQ(nullptr, root.C);
}

TEST_F(ClassesTest, OwnerDestroysTheLastCreatedFirstAndNoticesReachReferrers)
{
    {
        TThing owner(nullptr);
        owner.SetName("Owner");
        auto* a = new TThing(&owner);
        a->SetName("A");
        auto* b = new TThing(&owner);
        b->SetName("B");
        auto* c = new TThing(&owner);
        c->SetName("C");
        a->SetBuddy(b);
        TThing outsider(nullptr);
        outsider.SetName("Outsider");
        outsider.SetBuddy(b);
        Log.clear();
        delete b;
        EXPECT_EQ((std::vector<std::string>{"destroy B", "Outsider forgets B", "A forgets B"}), Log)
            << "others hear through their free notification, siblings through the owner";
        EXPECT_EQ(nullptr, outsider.Buddy());
        EXPECT_EQ(nullptr, a->Buddy());
        EXPECT_EQ(2, owner.ComponentCount());
        a->SetBuddy(c);
        Log.clear();
    }
    // Outsider (declared last) goes first, then Owner, whose components go newest first;
    // each removal is told while the removed component is still whole.
    const std::vector<std::string> expected = {"destroy Outsider", "destroy Owner", "A forgets C", "destroy C", "destroy A"};
    EXPECT_EQ(expected, Log);
}

TEST(StringsTest, TextSplitsAtEveryLineEndAndJoinsWithCrLf)
{
    TStrings s;
    int changes = 0;
    s.OnChange = [&](TObject*) { ++changes; };
    s.SetText("a\r\nb\nc\rd");
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d"}), s.Items());
    EXPECT_EQ("a\r\nb\r\nc\r\nd\r\n", s.Text());
    s.SetValues("Key", "v1");
    EXPECT_EQ("v1", s.Values("key")) << "names compare without case";
    s.SetValues("KEY", "");
    EXPECT_EQ(4, s.Count()) << "an empty value removes the pair";
    EXPECT_EQ(3, changes);
    EXPECT_THROW(s.Delete(4), EInvalidOperation);
}

TEST(StreamsTest, MemoryStreamReadsWritesSeeksAndReportsShortReads)
{
    TMemoryStream m;
    m.WriteBuffer("hello", 5);
    EXPECT_EQ(5, m.Size());
    m.SetPosition(1);
    char buf[4] = {};
    m.ReadBuffer(buf, 3);
    EXPECT_EQ(std::string("ell"), std::string(buf, 3));
    EXPECT_THROW(m.ReadBuffer(buf, 2), EStreamError) << "only one byte is left";
    m.Seek(-2, TSeekOrigin::End);
    EXPECT_EQ(3, m.Position());
    TMemoryStream copy;
    EXPECT_EQ(5, copy.CopyFrom(m, 0));
    EXPECT_EQ(m.Bytes(), copy.Bytes());
}

} // namespace
