// lib/window/vyAppAutoRun.h
// Unit vyAppAutoRun: registers the program to be started by Windows at log-on or at system
// start (one value in one of the six "run" keys), shows the choice as a title-bar button
// with a system-menu entry, tells the program when this run came from that entry, and
// keeps the log-on legal notice.
#pragma once

#include <string>

#include "vyCaptionButton.h"

enum class TvyAutoRunFor { rfCurrentUser, rfLocalMachine, rfService };

// (Sender, the new AutoRun)
using TvyAppAutoRunButtonClickEvent = TEvent<TObject*, bool>;

// The caption and text Windows shows before the log-on prompt, written while Enabled.
class TvyAutoRunLogonNotice : public TPersistent {
public:
    TG_DECLARE_CLASS()
    const std::string& Caption() const noexcept { return FCaption; }
    void SetCaption(const std::string& v);
    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool v);
    const std::string& Text() const noexcept { return FText; }
    void SetText(const std::string& v);

    // Where the notice lives on the running system (under HKEY_LOCAL_MACHINE).
    static std::string KeyPath();

private:
    void Apply(bool justDisabled);
    std::string FCaption;
    bool FEnabled = false;
    std::string FText;
};

class TvyAppAutoRun : public TvyCustomCaptionButton {
public:
    TG_DECLARE_CLASS()
    explicit TvyAppAutoRun(TComponent* owner);
    ~TvyAppAutoRun() override;

    bool AutoRun() const noexcept { return FAutoRun; }
    // Rewrites the registry every time, even with the value it has.
    void SetAutoRun(bool v);
    TvyAutoRunLogonNotice* LogonNotice() const noexcept { return FLogonNotice.get(); }
    TvyAutoRunFor RunFor() const noexcept { return FRunFor; }
    void SetRunFor(TvyAutoRunFor v);
    bool RunOnce() const noexcept { return FRunOnce; }
    void SetRunOnce(bool v);
    // This run was started from the auto-run entry: its first argument is exactly "/autorun".
    bool StartedByAutoRun() const noexcept { return FStartedByAutoRun; }

    TNotifyEvent OnAutoRun;
    // Hides the button's plain event: this one carries the new AutoRun.
    TvyAppAutoRunButtonClickEvent OnButtonClick;

    void Click() override;
    bool MenuChecked() const override { return FAutoRun; }

    // The entry: its value name (the application's title, else the executable's path) and
    // its data ("<path>" /autorun).
    static std::string EntryName();
    static std::string EntryData();
    // The run key of a combination, under its root key.
    static HKEY RunRoot(TvyAutoRunFor runFor);
    static std::string RunKey(TvyAutoRunFor runFor, bool runOnce);

protected:
    void Loaded() override;

private:
    void Rewrite(bool autoRun, TvyAutoRunFor runFor, bool runOnce);
    void ShowState();
    bool FAutoRun = false;
    std::unique_ptr<TvyAutoRunLogonNotice> FLogonNotice;
    TvyAutoRunFor FRunFor = TvyAutoRunFor::rfCurrentUser;
    bool FRunOnce = false;
    bool FStartedByAutoRun = false;
};

// The unit's shared glyphs (nullptr before its initialisation).
TBitmap* AutoRunGlyph(bool enabled);
