// lib/caption/vyFormTopmost.h
// Unit vyFormTopmost: a two-state title-bar button, with a checked system-menu entry, that
// keeps its form above all other windows while it is down.
#pragma once

#include "vyCaptionButton.h"

// (Sender, the window's new always-on-top state)
using TvyFormTopmostChangedEvent = TEvent<TObject*, bool>;

class TvyFormTopmost : public TvyCustomCaptionButton {
public:
    TG_DECLARE_CLASS()
    explicit TvyFormTopmost(TComponent* owner);

    // The window's own state; a value read from a stored form is applied once loading ends.
    bool Topmost() const { return TvyFormHookComponent::Topmost(); }
    void SetTopmost(bool value);

    // Fired once for every change of the window's state, whichever component made it.
    TvyFormTopmostChangedEvent OnTopmostChanged;

    void AfterMessage(TMessage& m) override;
    void Click() override;

protected:
    void Loaded() override;

private:
    std::optional<bool> FLoadedTopmost;
};
