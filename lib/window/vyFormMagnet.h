// lib/window/vyFormMagnet.h
// Unit vyFormMagnet: snaps its form to the screen area's edges and to other magnet forms
// while it is moved, carries glued neighbours along, lets the form be dragged by its bare
// client area and exposes its always-on-top state.
#pragma once

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "vyClasses.h"
#include "vyFormMagnetGeometry.h"

enum class TvyMagnetOption { moDockOnMoving, moDockToInnerBorders, moDockChains, moGlueChains };
using TvyMagnetOptions = unsigned; // bit i = TvyMagnetOption i
constexpr TvyMagnetOptions MagnetOptionBit(TvyMagnetOption o) { return 1u << static_cast<unsigned>(o); }
constexpr TvyMagnetOptions AllMagnetOptions = 15;

enum class TvyScreenArea { saWorkArea, saFullScreen };

// (Sender, the other form, the answer: preset to true)
using TOnGlue = TEvent<TObject*, TCustomForm*, bool&>;
using TOnMagnet = TEvent<TObject*, TCustomForm*, bool&>;

class TvyFormMagnet;

// How the form snaps to the screen: which rectangle, which of its edges, how near.
class TvyScreenMagnet : public TPersistent {
public:
    TG_DECLARE_CLASS()
    static constexpr int DefaultScreenPower = 16;

    TvyScreenArea Area() const noexcept { return FArea; }
    void SetArea(TvyScreenArea v) { FArea = v; }
    TvyScreenEdges Edges() const noexcept { return FEdges; }
    void SetEdges(TvyScreenEdges v) { FEdges = v & AllScreenEdges; }
    int ScreenPower() const noexcept { return FScreenPower; }
    void SetScreenPower(int v);

private:
    TvyScreenArea FArea = TvyScreenArea::saWorkArea;
    TvyScreenEdges FEdges = AllScreenEdges;
    int FScreenPower = DefaultScreenPower;
};

// A magnet form carried along while its leader is dragged, at a fixed offset from it.
struct TvyGluedObject {
    TvyFormMagnet* Magnet;
    int DX, DY; // the glued form's Left and Top minus the leader's
};

class TvyGlueList {
public:
    void Clear() { FItems.clear(); }
    void Add(TvyFormMagnet* magnet, int dx, int dy) { FItems.push_back({magnet, dx, dy}); }
    bool Contains(const TvyFormMagnet* magnet) const;
    // The offset stored for magnet, (0, 0) when it is not in the list.
    POINT Offset(const TvyFormMagnet* magnet) const;
    int Count() const noexcept { return static_cast<int>(FItems.size()); }

private:
    std::vector<TvyGluedObject> FItems;
};

class TvyFormMagnet : public TvyFormHookComponent {
public:
    TG_DECLARE_CLASS()
    static constexpr int DefaultPower = 20;

    explicit TvyFormMagnet(TComponent* owner);
    ~TvyFormMagnet() override;

    bool Active() const noexcept { return FActive; }
    void SetActive(bool value);
    bool Glue() const noexcept { return FGlue; }
    void SetGlue(bool value) { FGlue = value; }
    bool FormDragable() const noexcept { return FFormDragable; }
    void SetFormDragable(bool value) { FFormDragable = value; }
    // The window's own always-on-top state; a value read from a stored form is applied
    // once loading ends.
    bool FormTopmost() const { return Topmost(); }
    void SetFormTopmost(bool value);
    TvyMagnetOptions Options() const noexcept { return FOptions; }
    void SetOptions(TvyMagnetOptions value) { FOptions = value & AllMagnetOptions; }
    int Power() const noexcept { return FPower; }
    void SetPower(int value);
    TvyScreenMagnet* ScreenMagnet() const noexcept { return FScreenMagnet.get(); }
    const TvyGlueList& GlueList() const noexcept { return FGlueList; }

    TOnGlue OnGlue;
    TOnMagnet OnMagnet;
    TNotifyEvent OnDragMove;

    void BeforeMessage(TMessage& m, bool& handled) override;
    void AfterMessage(TMessage& m) override;

protected:
    void Loaded() override;

private:
    TWinControl* Form() const;
    bool DockOnMoving() const { return (FOptions & MagnetOptionBit(TvyMagnetOption::moDockOnMoving)) != 0; }
    void Moving(RECT& proposed);
    void ExitSizeMove();
    void FinalSnap();
    // The active magnets of the other visible forms beside this one, with their forms, in
    // the application's component order.
    std::vector<std::pair<TvyFormMagnet*, TCustomForm*>> Candidates() const;
    void CollectGlued();
    // The parent control's client origin on screen, (0, 0) for a form without a parent.
    POINT ParentOrigin() const;
    TvyMagnetRect AreaRect() const;
    void Place(TvyMagnetRect& r, bool followCursor, bool dock);
    void NcHitTest(TMessage& m);

    bool FActive = true;
    bool FGlue = false;
    bool FFormDragable = false;
    TvyMagnetOptions FOptions = AllMagnetOptions;
    int FPower = DefaultPower;
    std::unique_ptr<TvyScreenMagnet> FScreenMagnet;
    TvyGlueList FGlueList;
    bool FDragStarted = false;
    POINT FGrip{};
    bool FCarried = false;
    std::optional<bool> FLoadedTopmost;
};
