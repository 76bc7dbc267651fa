// lib/window/vyFormPlacementSaver.h
// Unit vyFormPlacementSaver: keeps its form's position, size, state and always-on-top
// switch in one registry key, and puts the form back there the first time it is shown.
#pragma once

#include <string>

#include "Registry.h"
#include "vyClasses.h"

enum class TvyRegLocation { rlCurrentUser, rlLocalMachine };
enum class TvyRegSaverOption { saveOnClose, saveOnMoveResize };
using TvyRegSaverOptions = unsigned; // bit i = TvyRegSaverOption i
constexpr TvyRegSaverOptions RegSaverOptionBit(TvyRegSaverOption o) { return 1u << static_cast<unsigned>(o); }

// (Sender, the registry object, open on RegKey): for values of the program's own.
using TvyFormPlacementSaverEvent = TEvent<TObject*, TRegistry&>;

class TvyFormPlacementSaver : public TvyAppHookComponent {
public:
    TG_DECLARE_CLASS()
    static constexpr bool DefaultEnabled = true;
    static constexpr TvyRegLocation DefaultRegLocation = TvyRegLocation::rlCurrentUser;
    static constexpr const char* DefaultRegKey = "\\Software\\CompanyName\\ProgramName\\Default";
    static constexpr bool DefaultRestoreFormSize = true;
    static constexpr TvyRegSaverOptions DefaultOptions = RegSaverOptionBit(TvyRegSaverOption::saveOnClose);

    explicit TvyFormPlacementSaver(TComponent* owner);
    ~TvyFormPlacementSaver() override;

    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool v) { FEnabled = v; }
    TvyRegLocation RegLocation() const noexcept { return FRegLocation; }
    void SetRegLocation(TvyRegLocation v) { FRegLocation = v; }
    const std::string& RegKey() const noexcept { return FRegKey; }
    // Stored without trailing backslashes.
    void SetRegKey(const std::string& v);
    bool RestoreFormSize() const noexcept { return FRestoreFormSize; }
    void SetRestoreFormSize(bool v) { FRestoreFormSize = v; }
    TvyRegSaverOptions Options() const noexcept { return FOptions; }
    void SetOptions(TvyRegSaverOptions v) { FOptions = v; }

    TvyFormPlacementSaverEvent OnLoadSettings;
    TvyFormPlacementSaverEvent OnSaveSettings;

    // Puts the form where the registry says; what is missing or malformed ends it there.
    void LoadPlacement();
    // Writes the form's placement, creating the key.
    void SavePlacement();

    void BeforeMessage(TMessage& m, bool& handled) override;
    void AfterMessage(TMessage& m) override;
    void AppBeforeMessage(TMessage& m, bool& handled) override;

protected:
    void Loaded() override;

private:
    HKEY Root() const;
    void FormShow(TObject* sender);
    // Gives the form back the show handler it had before Loaded, if ours is still in place.
    void RestoreFormShow();

    bool FEnabled = DefaultEnabled;
    TvyRegLocation FRegLocation = DefaultRegLocation;
    std::string FRegKey = DefaultRegKey;
    bool FRestoreFormSize = DefaultRestoreFormSize;
    TvyRegSaverOptions FOptions = DefaultOptions;
    // The form's own show handler while ours stands in for it.
    TNotifyEvent FFormOnShow;
    TCustomForm* FShowForm = nullptr;
};
