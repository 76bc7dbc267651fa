// lib/window/vyAppAutoRun.cpp
//
// The entry is found again at every start by probing the six run keys in a fixed order,
// then written back where it was found after being removed from all of them: so at most
// one key ever holds it, and a stale entry (the executable moved) disappears. Keys are
// opened, never created, and no registry failure is reported: a key that does not open
// counts as absent.
#include "vyAppAutoRun.h"

#include <memory>

#include "Registry.h"

namespace {

const std::vector<std::string> RunForNames = {"rfCurrentUser", "rfLocalMachine", "rfService"};
constexpr const char* AutoRunParam = "/autorun";

// The six (RunFor, RunOnce) combinations, in probe order.
struct TRunKeyRow {
    TvyAutoRunFor RunFor;
    bool RunOnce;
};
constexpr TRunKeyRow RunKeyRows[] = {
    {TvyAutoRunFor::rfCurrentUser, true},  {TvyAutoRunFor::rfCurrentUser, false},
    {TvyAutoRunFor::rfLocalMachine, true}, {TvyAutoRunFor::rfLocalMachine, false},
    {TvyAutoRunFor::rfService, true},      {TvyAutoRunFor::rfService, false},
};

// The unit's two shared glyphs: [0] disabled, [1] enabled.
std::unique_ptr<TBitmap> Glyphs[2];

void InitUnit()
{
    const char* names[2] = {"VYCB_AUTORUN_DISABLED", "VYCB_AUTORUN_ENABLED"};
    for (int i = 0; i < 2; ++i) {
        Glyphs[i] = std::make_unique<TBitmap>();
        Glyphs[i]->LoadFromResourceName(MainInstance(), names[i]);
    }
}

void DoneUnit()
{
    for (auto& glyph : Glyphs) glyph.reset();
}

struct TRegisterUnit {
    TRegisterUnit() { RegisterUnitInitialization(UnitOrder::AppAutoRun, "vyAppAutoRun", &InitUnit, &DoneUnit); }
} RegisterUnit;

// The run key of a combination, opened for full access; false when it does not open.
bool OpenRunKey(TRegistry& reg, TvyAutoRunFor runFor, bool runOnce)
{
    reg.SetRootKey(TvyAppAutoRun::RunRoot(runFor));
    reg.SetAccess(KEY_ALL_ACCESS);
    return reg.OpenKey(TvyAppAutoRun::RunKey(runFor, runOnce), false);
}

} // namespace

TBitmap* AutoRunGlyph(bool enabled)
{
    return Glyphs[enabled ? 1 : 0].get();
}

// --- TvyAutoRunLogonNotice -------------------------------------------------------------

const TClassInfo& TvyAutoRunLogonNotice::StaticClassInfo()
{
    using N = TvyAutoRunLogonNotice;
    static const TClassInfo info = [] {
        TClassInfo i{"TvyAutoRunLogonNotice", &TPersistent::StaticClassInfo(), nullptr, {}, {}};
        auto& p = i.Props;
        p.push_back(StrProp<N>("Caption", &N::Caption, &N::SetCaption));
        p.push_back(BoolProp("Enabled", &N::Enabled, &N::SetEnabled, false));
        p.push_back(StrProp<N>("Text", &N::Text, &N::SetText));
        return i;
    }();
    return info;
}

std::string TvyAutoRunLogonNotice::KeyPath()
{
    // IsWinNT knows the NT generations up to XP only; every later one is NT as well and
    // keeps the notice in the same place.
    const bool nt = IsWinNT() || IsWin2KOrLater();
    return nt ? "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\WinLogon"
                     : "Software\\Microsoft\\Windows\\CurrentVersion\\Winlogon";
}

void TvyAutoRunLogonNotice::SetCaption(const std::string& v)
{
    if (v == FCaption) return;
    FCaption = v;
    Apply(false);
}

void TvyAutoRunLogonNotice::SetText(const std::string& v)
{
    if (v == FText) return;
    FText = v;
    Apply(false);
}

void TvyAutoRunLogonNotice::SetEnabled(bool v)
{
    if (v == FEnabled) return;
    FEnabled = v;
    Apply(!v);
}

void TvyAutoRunLogonNotice::Apply(bool justDisabled)
{
    // While the notice stays off, nothing of it is in the registry to keep up to date.
    if (!FEnabled && !justDisabled) return;
    try {
        TRegistry reg(HKEY_LOCAL_MACHINE, KEY_ALL_ACCESS);
        if (!reg.OpenKey(KeyPath(), false)) return;
        if (FEnabled) {
            reg.WriteString("LegalNoticeCaption", FCaption);
            reg.WriteString("LegalNoticeText", FText);
        } else {
            reg.DeleteValue("LegalNoticeCaption");
            reg.DeleteValue("LegalNoticeText");
        }
    } catch (...) {
        // A notice that cannot be written is not worth a message: the settings stay as set.
    }
}

// --- TvyAppAutoRun ---------------------------------------------------------------------

const TClassInfo& TvyAppAutoRun::StaticClassInfo()
{
    using A = TvyAppAutoRun;
    static const TClassInfo info = [] {
        TClassInfo i{"TvyAppAutoRun", &TvyCustomCaptionButton::StaticClassInfo(), &CreateComponentOf<TvyAppAutoRun>, {}, {}};
        auto& p = i.Props;
        p.push_back(AboutProp());
        p.push_back(ObjProp("CaptionButton", &TvyCustomCaptionButton::CaptionButton));
        p.push_back(ObjProp("SystemMenu", &TvyCustomCaptionButton::SystemMenu));
        p.push_back(BoolProp("AutoRun", &A::AutoRun, &A::SetAutoRun, false));
        p.push_back(ObjProp("LogonNotice", &A::LogonNotice));
        p.push_back(EnumProp("RunFor", &A::RunFor, &A::SetRunFor, RunForNames, std::optional(TvyAutoRunFor::rfCurrentUser)));
        p.push_back(BoolProp("RunOnce", &A::RunOnce, &A::SetRunOnce, false));
        p.push_back(EventProp("OnAutoRun", &A::OnAutoRun));
        p.push_back(EventProp("OnButtonClick", &A::OnButtonClick));
        return i;
    }();
    return info;
}

namespace {
struct TRegisterAutoRun {
    TRegisterAutoRun() { RegisterComponentClass(TvyAppAutoRun::StaticClassInfo()); }
} RegisterAutoRun;
} // namespace

TvyAppAutoRun::TvyAppAutoRun(TComponent* owner)
    : TvyCustomCaptionButton(owner), FLogonNotice(std::make_unique<TvyAutoRunLogonNotice>())
{
    SetVisible(false);
    if (TBitmap* glyph = AutoRunGlyph(false)) SetGlyph(glyph);
    SetHint("Auto-run at StartUp");
    TvySystemMenu& menu = *SystemMenu();
    menu.SetCaption("Auto-run at &StartUp");
    // At the end of the menu as it is now.
    HMENU sys = WindowHandle() ? GetSystemMenu() : nullptr;
    menu.SetPosition(sys ? GetMenuItemCount(sys) : 0);
    menu.SetSeparators(MenuSeparatorBit(TvyMenuSeparator::seBefore));
}

TvyAppAutoRun::~TvyAppAutoRun() = default;

std::string TvyAppAutoRun::EntryName()
{
    const std::string title = Application ? Application->Title() : std::string();
    return title.empty() ? ParamStr(0) : title;
}

std::string TvyAppAutoRun::EntryData()
{
    return "\"" + ParamStr(0) + "\" " + AutoRunParam;
}

HKEY TvyAppAutoRun::RunRoot(TvyAutoRunFor runFor)
{
    return runFor == TvyAutoRunFor::rfCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

std::string TvyAppAutoRun::RunKey(TvyAutoRunFor runFor, bool runOnce)
{
    std::string key = "\\Software\\Microsoft\\Windows\\CurrentVersion\\";
    key += runFor == TvyAutoRunFor::rfService ? "RunServices" : "Run";
    if (runOnce) key += "Once";
    return key;
}

void TvyAppAutoRun::Loaded()
{
    TvyCustomCaptionButton::Loaded();
    if (Designing() || Loading() || HasState(TComponentState::Reading)) return;
    // What the form stored is provisional: the registry says what holds.
    FAutoRun = false;
    bool found = false, others = false;
    try {
        const std::string name = EntryName(), data = EntryData();
        for (const TRunKeyRow& row : RunKeyRows) {
            TRegistry reg;
            if (!OpenRunKey(reg, row.RunFor, row.RunOnce) || !reg.ValueExists(name)) continue;
            if (found || reg.ReadString(name) != data) {
                others = true; // a stale entry, or a second one
                continue;
            }
            found = true;
            FRunFor = row.RunFor;
            FRunOnce = row.RunOnce;
        }
    } catch (...) {
        // An unreadable registry counts as no entry.
        others = true;
    }
    if (others) {
        SetAutoRun(found);
    } else {
        // The registry already holds exactly what the setter would write: the usual start
        // is spared a dozen round trips to the registry.
        FAutoRun = found;
        ShowState();
    }
    if (!FStartedByAutoRun && ParamStr(1) == AutoRunParam) {
        FStartedByAutoRun = true;
        OnAutoRun(this);
    }
}

void TvyAppAutoRun::Rewrite(bool autoRun, TvyAutoRunFor runFor, bool runOnce)
{
    if (Designing() || Loading() || HasState(TComponentState::Reading)) return;
    try {
        const std::string name = EntryName();
        for (const TRunKeyRow& row : RunKeyRows) {
            TRegistry reg;
            if (OpenRunKey(reg, row.RunFor, row.RunOnce)) reg.DeleteValue(name);
        }
        TRegistry reg;
        if (autoRun && OpenRunKey(reg, runFor, runOnce)) reg.WriteString(name, EntryData());
    } catch (...) {
        // Registry failures are never reported; the property keeps its new value.
    }
}

void TvyAppAutoRun::ShowState()
{
    if (TBitmap* glyph = AutoRunGlyph(FAutoRun)) SetGlyph(glyph);
    if (SystemMenu()->ApplyToMenu()) SystemMenu()->CheckEntry(FAutoRun);
}

void TvyAppAutoRun::SetAutoRun(bool v)
{
    Rewrite(v, FRunFor, FRunOnce);
    FAutoRun = v;
    ShowState();
}

void TvyAppAutoRun::SetRunFor(TvyAutoRunFor v)
{
    if (v == FRunFor) return;
    Rewrite(FAutoRun, v, FRunOnce);
    FRunFor = v;
}

void TvyAppAutoRun::SetRunOnce(bool v)
{
    if (v == FRunOnce) return;
    Rewrite(FAutoRun, FRunFor, v);
    FRunOnce = v;
}

void TvyAppAutoRun::Click()
{
    TvyCustomCaptionButton::Click();
    SetAutoRun(!FAutoRun);
    OnButtonClick(this, FAutoRun);
}
