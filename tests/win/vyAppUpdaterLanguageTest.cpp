// tests/win/vyAppUpdaterLanguageTest.cpp
// The upgrader's texts as the program loads them from its own string table: every language
// complete, with English's placeholders, and equal to its UTF-8 source after a trip through
// the ANSI code page it is shown under; the language that the user's setting picks; and the
// texts of the system's code page on a real window. CTest runs this program twice: as the
// system is set up, and once more with Wine's locale Russian (ANSI code page 1251).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "Forms.h"
#include "Pictures.h"
#include "StdCtrls.h"
#include "WinTest.h"
#include "vyAppUpdaterLanguage.h"

namespace {

std::wstring Wide(const std::string& bytes, UINT codePage)
{
    if (bytes.empty()) return {};
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), w.data(), n);
    return w;
}

// The text as an ANSI program sees it on a system whose code page is codePage; false when a
// character has no place there.
bool Narrow(const std::wstring& text, UINT codePage, std::string& out)
{
    out.clear();
    if (text.empty()) return true;
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      &usedDefault);
    out.resize(static_cast<size_t>(n));
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        &usedDefault);
    return !usedDefault;
}

// The texts of the string table's source, by identifier, decoded from UTF-8 with the
// resource compiler's escapes ("" for a quote, \r, \n) undone.
std::map<int, std::wstring> SourceTexts()
{
    std::map<int, std::wstring> texts;
    const std::string path = std::string("Z:") + TG_SOURCE_DIR + "/resources/vyAppUpdaterLanguage.rc";
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        ADD_FAILURE() << "cannot read " << path;
        return texts;
    }
    char line[4096];
    while (std::fgets(line, sizeof line, f)) {
        int id = 0, used = 0;
        if (std::sscanf(line, " %d, \"%n", &id, &used) != 1 || used == 0) continue;
        std::string body(line + used);
        const size_t end = body.find_last_of('"');
        if (end == std::string::npos) {
            ADD_FAILURE() << "unterminated text " << id;
            continue;
        }
        body.resize(end);
        std::string text;
        for (size_t i = 0; i < body.size(); ++i) {
            if (body[i] == '"' && i + 1 < body.size() && body[i + 1] == '"') {
                text += '"';
                ++i;
            } else if (body[i] == '\\' && i + 1 < body.size()) {
                const char c = body[++i];
                if (c == 'r') text += '\r';
                else if (c == 'n') text += '\n';
                else ADD_FAILURE() << "unexpected escape \\" << c << " in text " << id;
            } else {
                text += body[i];
            }
        }
        EXPECT_EQ(0u, texts.count(id)) << "text " << id << " twice in the source";
        texts[id] = Wide(text, CP_UTF8);
    }
    std::fclose(f);
    return texts;
}

std::wstring LoadWide(int id)
{
    wchar_t buffer[4096];
    const int n = LoadStringW(MainInstance(), static_cast<UINT>(id), buffer, 4096);
    return std::wstring(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

TEST(UpgradeTexts, EveryLanguageIsCompleteAndSurvivesItsCodePage)
{
    const std::map<int, std::wstring> source = SourceTexts();
    ASSERT_EQ(3u + 11u * vyUpgradeTextCount, source.size()) << "three shared texts and every one of each language";
    const int english = vyAppUpdaterLanguageBase(wlEnglish);
    for (const TvyUpgradeLanguageInfo& language : vyUpgradeLanguages()) {
        const int base = vyAppUpdaterLanguageBase(language.Language);
        const bool systemCodePage = language.CodePage == GetACP();
        for (int n = 0; n < vyUpgradeTextCount; ++n) {
            const int id = base + n;
            const std::string where = std::string(language.Name) + " text " + std::to_string(n);
            const auto it = source.find(id);
            ASSERT_NE(source.end(), it) << where << " is missing from the source";
            const std::wstring loaded = LoadWide(id);
            EXPECT_FALSE(loaded.empty()) << where;
            EXPECT_TRUE(loaded == it->second) << where << ": the compiled text differs from its source";
            // What LoadStringA gives on a system with the language's code page: here the real
            // call when that is the system's, otherwise the same conversion done by hand.
            std::string ansi;
            if (systemCodePage) {
                ansi = vyLoadUpgradeText(id);
            } else {
                EXPECT_TRUE(Narrow(loaded, language.CodePage, ansi))
                    << where << ": a character does not exist in code page " << language.CodePage;
            }
            EXPECT_TRUE(Wide(ansi, language.CodePage) == it->second)
                << where << ": changed by code page " << language.CodePage;
            EXPECT_EQ(vyTextPlaceholders(vyLoadUpgradeText(english + n)), vyTextPlaceholders(ansi))
                << where << ": placeholders differ from English";
            if (n >= utYes && n <= utLater) {
                EXPECT_NE(std::string::npos, ansi.find('&')) << where << ": a button without an accelerator";
            }
        }
        EXPECT_TRUE(LoadWide(base + vyUpgradeTextCount).empty()) << language.Name << ": text after the last";
    }
}

TEST(UpgradeTexts, SharedAndEnglishTextsAsWritten)
{
    EXPECT_EQ("<AppTitle>", vyLoadUpgradeText(vyUpgradeTextAppTitle));
    EXPECT_EQ("AppUpdater", vyLoadUpgradeText(vyUpgradeTextSignature));
    EXPECT_EQ("Vy Form Designer", vyLoadUpgradeText(vyUpgradeTextDesignEnv));
    EXPECT_EQ("The update of %s has been successfully completed.\r\rPress the OK button to restart program.",
              vyLoadUpgradeText(51000 + utFinishNote));
    EXPECT_EQ("Access to remote file \"[b]%s[]\" is password protected.\n\nPlease enter your username and password "
              "(received after registration) to continue software upgrade.",
              vyLoadUpgradeText(51000 + utPasswordProtected));
    EXPECT_EQ("Estimated time left: 1:02:05", vyLoadUpgradeText(51000 + utTimeLeft, {3725 / 3600, 3725 / 60 % 60, 3725 % 60}));
    EXPECT_EQ("File size: 1.5 Kb", vyLoadUpgradeText(51000 + utFileSize, {1536 / 1024.0}));
    EXPECT_EQ("", vyLoadUpgradeText(51000 + vyUpgradeTextCount)) << "an identifier without a text";
    EXPECT_EQ("", vyLoadUpgradeText(1, {"x"})) << "no text, nothing to format";
}

TEST(UpgradeTexts, BaseFollowsTheUserLanguage)
{
    EXPECT_EQ(51050, vyAppUpdaterLanguageBase(wlRussian)) << "a chosen language ignores the setting";
    EXPECT_EQ(51500, vyAppUpdaterLanguageBase(wlFrench)) << "a chosen language ignores the setting";
    const LANGID user = GetUserDefaultLangID();
    const std::map<LANGID, int> expected{{0x0409, 51000}, {0x0419, 51050}};
    const auto it = expected.find(user);
    if (it == expected.end()) GTEST_SKIP() << "user language 0x" << std::hex << user << " is not one this test knows";
    EXPECT_EQ(it->second, vyAppUpdaterLanguageBase(wlAuto)) << "user language 0x" << std::hex << user;
}

// The second run must really be under the code page it was started for: a missing Unix locale
// makes Wine fall back to 1252 without a word, and the run would prove nothing.
TEST(UpgradeTexts, RunsUnderTheCodePageItWasStartedFor)
{
    const char* expected = std::getenv("TG_EXPECT_ACP");
    if (!expected) GTEST_SKIP() << "started without a code page to expect";
    EXPECT_EQ(std::to_string(GetACP()), expected) << "is the Unix locale of this run installed?";
}

// The texts of the first language other than English that the system's code page shows, on
// labels of a real window. Each loaded text is drawn as ANSI and its source as Unicode with
// the window's font: the same pixels prove the system shows the language's own letters.
TEST(UpgradeTexts, ShowsItsCodePageLanguageOnAWindow)
{
    const TvyUpgradeLanguageInfo* shown = nullptr;
    for (const TvyUpgradeLanguageInfo& language : vyUpgradeLanguages())
        if (language.Language != wlEnglish && language.CodePage == GetACP()) {
            shown = &language;
            break;
        }
    if (!shown) GTEST_SKIP() << "no language is written for code page " << GetACP();
    const std::map<int, std::wstring> source = SourceTexts();
    const int base = vyAppUpdaterLanguageBase(shown->Language);

    TOwnedPtr<TForm> form(new TForm(nullptr));
    form->SetBounds(40, 40, 470, 260);
    form->SetColor(clWhite);
    form->SetCaption(vyLoadUpgradeText(base + utWizardCaption));
    struct TLine {
        int Offset;
        TLabel* Label;
    };
    std::vector<TLine> lines;
    int top = 8;
    for (int n : {utDownloadingTitle, utCompletedTitle, utCurrentFile, utAllFiles, utDownloadingFrom, utPasswordCaption,
                  utUserName, utPassword, utCancel, utLater, utError}) {
        auto* label = new TLabel(form.get());
        label->SetParent(form.get());
        label->SetLeft(8);
        label->SetTop(top);
        label->SetCaption(vyLoadUpgradeText(base + n));
        lines.push_back({n, label});
        top += 18;
    }
    auto* progress = new TLabel(form.get());
    progress->SetParent(form.get());
    progress->SetLeft(8);
    progress->SetTop(top);
    progress->SetCaption(vyLoadUpgradeText(base + utFileSize, {1.5}) + "   " +
                         vyLoadUpgradeText(base + utTimeLeft, {1, 2, 5}));
    form->Show();
    SetWindowPos(form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    PumpQueued();

    for (const TLine& line : lines) {
        const std::string where = std::string(shown->Name) + " text " + std::to_string(line.Offset);
        const std::string ansi = line.Label->Caption();
        const std::wstring& unicode = source.at(base + line.Offset);
        const int w = line.Label->Width(), h = line.Label->Height();
        ASSERT_GT(w, 0) << where;
        TDibTarget fromAnsi(w, h, RGB(255, 255, 255)), fromSource(w, h, RGB(255, 255, 255));
        for (TDibTarget* t : {&fromAnsi, &fromSource}) {
            SelectObject(t->DC(), line.Label->Font()->Handle());
            SetBkMode(t->DC(), TRANSPARENT);
        }
        RECT r{0, 0, w, h};
        DrawTextA(fromAnsi.DC(), ansi.data(), static_cast<int>(ansi.size()), &r, DT_LEFT | DT_NOPREFIX);
        DrawTextW(fromSource.DC(), unicode.data(), static_cast<int>(unicode.size()), &r, DT_LEFT | DT_NOPREFIX);
        EXPECT_LT(fromAnsi.CountOf(RGB(255, 255, 255)), w * h) << where << ": nothing drawn";
        ExpectPixels(fromAnsi, [&](int x, int y) { return fromSource.Pixel(x, y); },
                     where + " drawn from the loaded ANSI text against its Unicode source");
    }

    // The window as the screen shows it, for people to look at.
    const TLine& last = lines.back();
    std::unique_ptr<TDibTarget> picture;
    EXPECT_TRUE(PumpUntil([&] {
        picture = ClientPicture(form->Handle());
        const int y = last.Label->Top() + last.Label->Height() / 2;
        for (int x = last.Label->Left(); x < last.Label->Left() + last.Label->Width(); ++x)
            if (picture->Pixel(x, y) != RGB(255, 255, 255)) return true;
        return false;
    })) << "the window's last text never reached the screen";
    char folder[MAX_PATH];
    if (!GetEnvironmentVariableA("TG_ARTIFACTS", folder, sizeof folder) &&
        GetEnvironmentVariableA("TG_RESULTS", folder, sizeof folder))
        SetEnvironmentVariableA("TG_ARTIFACTS", folder);
    // The whole window, so that its caption shows too.
    RECT frame;
    GetWindowRect(form->Handle(), &frame);
    TBitmap shot;
    CaptureScreen(frame, shot);
    EXPECT_TRUE(SavePngArtifact(shot, "vyAppUpdaterLanguage-cp" + std::to_string(GetACP()) + ".png"));
}

} // namespace
