// lib/presentation/vyLabels.h
// Unit vyLabels: labels with effects. TvyBaseLabel gives every library label an off-screen
// bitmap, mouse enter and leave events and its own word-wrap switch; TvyLabel draws its
// text with offset highlight and shadow copies, other fonts while hovered or pressed, and
// can blink; TvyURLLabel opens a web address or a new mail when clicked.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "Graphics.h"
#include "StdCtrls.h"

class TvyBaseLabel : public TCustomLabel {
public:
    TG_DECLARE_CLASS()
    static constexpr bool DefaultWordWrap = false;

    explicit TvyBaseLabel(TComponent* owner);
    ~TvyBaseLabel() override;

    // A design-time credit line: published, never stored, no effect at run time.
    const std::string& About() const noexcept { return FAbout; }
    void SetAbout(const std::string&) {}

    // The label's own switch. It also has the framework's auto-size wrap at the label's
    // width, so an auto-sized label grows downwards instead of staying one long line.
    bool WordWrap() const noexcept { return FWordWrap; }
    void SetWordWrap(bool value);

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

    void WndProc(TMessage& m) override;

protected:
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}
    // Descendants draw here first and copy the result to the screen in one piece.
    TBitmap* Bitmap() const noexcept { return FBitmap.get(); }

private:
    std::unique_ptr<TBitmap> FBitmap;
    bool FWordWrap = DefaultWordWrap;
    std::string FAbout;
};

class TvyLabel;

// A label's font colour and style in one state (hovered or pressed). Changing it does not
// repaint; Used says whether entering or leaving the state repaints.
class TvyStyleFont : public TPersistent {
public:
    TG_DECLARE_CLASS()
    static constexpr TColor DefaultColor = clWindowText;
    static constexpr TFontStyles DefaultStyle = 0;
    static constexpr bool DefaultUsed = false;

    TColor Color() const noexcept { return FColor; }
    void SetColor(TColor value) { FColor = value; }
    TFontStyles Style() const noexcept { return FStyle; }
    void SetStyle(TFontStyles value) { FStyle = value; }
    bool Used() const noexcept { return FUsed; }
    void SetUsed(bool value) { FUsed = value; }
    void Assign(const TPersistent& source) override;

private:
    TColor FColor = DefaultColor;
    TFontStyles FStyle = DefaultStyle;
    bool FUsed = DefaultUsed;
};

enum class TvyLabelEffectDirection { edUp, edDown, edLeft, edRight, edUpLeft, edUpRight, edDownLeft, edDownRight };

// The unit offset of a direction, x to the right and y downwards.
POINT EffectOffset(TvyLabelEffectDirection direction);

// One offset copy of a label's text: the highlight or the shadow.
class TvyLabelEffect : public TPersistent {
public:
    TG_DECLARE_CLASS()
    enum class TKind { Highlight, Shadow };
    static constexpr bool DefaultEnabled = true;
    static constexpr int DefaultDepth = 1;

    TvyLabelEffect(TvyLabel& label, TKind kind);

    // The defaults of this copy's kind.
    TColor DefaultColor() const noexcept { return FKind == TKind::Highlight ? clHighlightText : clGrayText; }
    TvyLabelEffectDirection DefaultDirection() const noexcept
    {
        return FKind == TKind::Highlight ? TvyLabelEffectDirection::edUpLeft : TvyLabelEffectDirection::edDownRight;
    }

    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool value);
    TColor Color() const noexcept { return FColor; }
    void SetColor(TColor value);
    TColor ColorHover() const noexcept { return FColorHover; }
    void SetColorHover(TColor value);
    TColor ColorClick() const noexcept { return FColorClick; }
    void SetColorClick(TColor value);
    int Depth() const noexcept { return FDepth; }
    void SetDepth(int value);
    TvyLabelEffectDirection Direction() const noexcept { return FDirection; }
    void SetDirection(TvyLabelEffectDirection value);
    void Assign(const TPersistent& source) override;

private:
    void Changed();
    TvyLabel& FLabel;
    TKind FKind;
    bool FEnabled = DefaultEnabled;
    TColor FColor, FColorHover, FColorClick;
    int FDepth = DefaultDepth; // a byte: 0 to 255
    TvyLabelEffectDirection FDirection;
};

// Blinking of a label's text, driven by timer 1 of a hidden window of its own.
class TvyLabelBlinking : public TPersistent {
public:
    TG_DECLARE_CLASS()
    static constexpr bool DefaultEnabled = false;
    static constexpr int DefaultDelayVisible = 700;
    static constexpr int DefaultDelayInvisible = 400;

    explicit TvyLabelBlinking(TvyLabel& label);
    ~TvyLabelBlinking() override;

    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool value);
    int DelayVisible() const noexcept { return FDelayVisible; }
    void SetDelayVisible(int value);
    int DelayInvisible() const noexcept { return FDelayInvisible; }
    void SetDelayInvisible(int value);
    void Assign(const TPersistent& source) override;

    // Starts the timer for the phase the text is in, or shows the text for good when
    // blinking is off; then repaints. Raises EOutOfResources without a timer.
    void Rearm();
    HWND Window() const noexcept { return FWindow; }

private:
    void WndProc(TMessage& m);
    TvyLabel& FLabel;
    HWND FWindow = nullptr;
    bool FEnabled = DefaultEnabled;
    int FDelayVisible = DefaultDelayVisible;
    int FDelayInvisible = DefaultDelayInvisible;
};

enum class TvyLabelOption { loPathEllipsis, loEndEllipsis, loEditControl };
using TvyLabelOptions = unsigned; // bit i: option i
constexpr TvyLabelOptions LabelOptionBit(TvyLabelOption o) { return 1u << static_cast<unsigned>(o); }

class TvyLabel : public TvyBaseLabel {
public:
    TG_DECLARE_CLASS()
    static constexpr TCursor DefaultCursorClick = crDefault;
    static constexpr TvyLabelOptions DefaultOptions = 0;

    explicit TvyLabel(TComponent* owner);
    ~TvyLabel() override;

    TvyLabelBlinking* Blinking() const noexcept { return FBlinking.get(); }
    TCursor CursorClick() const noexcept { return FCursorClick; }
    void SetCursorClick(TCursor value) { FCursorClick = value; }
    TvyStyleFont* FontHover() const noexcept { return FFontHover.get(); }
    TvyStyleFont* FontClick() const noexcept { return FFontClick.get(); }
    TvyLabelEffect* Highlight() const noexcept { return FHighlight.get(); }
    TvyLabelEffect* Shadow() const noexcept { return FShadow.get(); }
    TvyLabelOptions Options() const noexcept { return FOptions; }
    void SetOptions(TvyLabelOptions value);

    // Run-time state.
    bool TextVisible() const noexcept { return FTextVisible; }
    void SetTextVisible(bool value) { FTextVisible = value; }
    bool Hovered() const noexcept { return FHovered; }
    void SetHovered(bool value);
    bool Pressed() const noexcept { return FPressed; }
    void SetPressed(bool value);

    void WndProc(TMessage& m) override;
    // The DrawTextEx flags for the current settings.
    UINT EffectTextFlags() const;

protected:
    void Paint() override;
    void Loaded() override;
    void MouseEnter() override { SetHovered(true); }
    void MouseLeave() override { SetHovered(false); }

private:
    void DrawLayer(TCanvas& canvas, RECT r, UINT flags, TFontStyles style, TColor color);
    // Created in this order, freed in the reverse one.
    std::unique_ptr<TvyStyleFont> FFontHover;
    std::unique_ptr<TvyStyleFont> FFontClick;
    std::unique_ptr<TvyLabelEffect> FHighlight;
    std::unique_ptr<TvyLabelEffect> FShadow;
    std::unique_ptr<TvyLabelBlinking> FBlinking;
    TCursor FCursorClick = DefaultCursorClick;
    TvyLabelOptions FOptions = DefaultOptions;
    bool FTextVisible = true;
    bool FHovered = false;
    bool FPressed = false;
};

// The fields of a new mail.
class TvyEmailParams : public TPersistent {
public:
    TG_DECLARE_CLASS()
    const std::string& Address() const noexcept { return FAddress; }
    void SetAddress(const std::string& v) { FAddress = v; }
    const std::string& Name() const noexcept { return FName; }
    void SetName(const std::string& v) { FName = v; }
    const std::string& CarbonCopy() const noexcept { return FCarbonCopy; }
    void SetCarbonCopy(const std::string& v) { FCarbonCopy = v; }
    const std::string& BlindCarbonCopy() const noexcept { return FBlindCarbonCopy; }
    void SetBlindCarbonCopy(const std::string& v) { FBlindCarbonCopy = v; }
    const std::string& Subject() const noexcept { return FSubject; }
    void SetSubject(const std::string& v) { FSubject = v; }
    const std::string& Message() const noexcept { return FMessage; }
    void SetMessage(const std::string& v) { FMessage = v; }
    void Assign(const TPersistent& source) override;

private:
    std::string FAddress, FName, FCarbonCopy, FBlindCarbonCopy, FSubject, FMessage;
};

enum class TvyURLLabelKind { ukWWW, ukEmail };

class TvyURLLabel : public TvyLabel {
public:
    TG_DECLARE_CLASS()
    static constexpr TvyURLLabelKind DefaultKind = TvyURLLabelKind::ukWWW;
    static constexpr bool DefaultURLInNewWindow = true;

    explicit TvyURLLabel(TComponent* owner);
    ~TvyURLLabel() override;

    TvyURLLabelKind Kind() const noexcept { return FKind; }
    void SetKind(TvyURLLabelKind value) { FKind = value; }
    const std::string& URL() const noexcept { return FURL; }
    void SetURL(const std::string& value) { FURL = value; }
    bool URLInNewWindow() const noexcept { return FURLInNewWindow; }
    void SetURLInNewWindow(bool value) { FURLInNewWindow = value; }
    TvyEmailParams* Email() const noexcept { return FEmail.get(); }

    // OnClick first, then the label opens its target.
    void Click() override;

private:
    TvyURLLabelKind FKind = DefaultKind;
    std::string FURL;
    bool FURLInNewWindow = DefaultURLInNewWindow;
    std::unique_ptr<TvyEmailParams> FEmail;
};
