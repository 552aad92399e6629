// Settings loading and the language table, in temporary program folders.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "TempDir.h"
#include "platform/CodePage.h"
#include "platform/System.h"
#include "settings/AppData.h"

namespace pendrak {
namespace {

using test::TempDir;

struct RecordingNotifier : IStartupNotifier {
    std::vector<std::pair<std::string, std::string>> calls;
    void SettingsFileMissing(const std::string& text, const std::string& title) override {
        calls.emplace_back(text, title);
    }
};

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        Set(value);
    }
    ~ScopedEnv() { Set(m_old ? m_old->c_str() : nullptr); }

private:
    void Set(const char* value) {
#ifdef _WIN32
        _putenv_s(m_name.c_str(), value ? value : "");
#else
        if (value)
            setenv(m_name.c_str(), value, 1);
        else
            unsetenv(m_name.c_str());
#endif
    }
    std::string m_name;
    std::optional<std::string> m_old;
};

struct ScopedLocale : ScopedEnv {
    explicit ScopedLocale(const char* value) : ScopedEnv("LC_ALL", value) {}
};

#ifdef _WIN32
constexpr char kSep = '\\';
#else
constexpr char kSep = '/';
#endif

class AppDataTest : public ::testing::Test {
protected:
    // Path under the temp folder, written with the platform's separator.
    std::string Native(std::string relative) const {
        for (char& c : relative)
            if (c == '/') c = kSep;
        return dir.Path() + kSep + relative;
    }

    void TearDown() override { SetProgramCodePage(0); }

    // A program folder bin/ with Data/setting.txt holding `setup` lines.
    std::string MakeProgram(const std::string& setup) {
        dir.Write("bin/Data/setting.txt", "; test\r\n[setup]\r\n" + setup);
        return Native("bin/pendrak-cli");
    }

    TempDir dir;
    std::unique_ptr<CAppData> app = std::make_unique<CAppData>();
    RecordingNotifier notifier;
};

TEST_F(AppDataTest, MissingSettingsFileTellsOnceAndLoadsNothing) {
    dir.Write("bin/Data/lang_en.lng", "[String]\nIDS_ERROR=Error\n");
    EXPECT_FALSE(app->LoadSettings(&notifier, Native("bin/pendrak-cli.exe")));
    ASSERT_EQ(notifier.calls.size(), 1u);
    EXPECT_EQ(notifier.calls[0].first, "Can not find the file setting!");
    EXPECT_EQ(notifier.calls[0].second, "pendrak-cli");
    EXPECT_TRUE(app->m_strLangFile.empty());
    EXPECT_TRUE(app->m_strBinDir.empty());
    EXPECT_FALSE(app->m_langFile.IsOpen());
    EXPECT_EQ(app->GetLangString("IDS_ERROR"), "");
    EXPECT_EQ(app->m_contacts.Bytes()[16], 0);  // not cleared: no tag bytes
}

TEST_F(AppDataTest, LanguageFollowsTheLocaleWhenNotSet) {
    const std::string program = MakeProgram("language=\r\nBinFile=\r\n");
    dir.Write("bin/Data/lang_cn.lng", "[String]\nIDS_ERROR=cn\n");
    dir.Write("bin/Data/lang_en.lng", "[String]\nIDS_ERROR=en\n");
    dir.Write("bin/Data/lang_de.lng", "[String]\nIDS_ERROR=de\n");
    const struct {
        const char* locale;
        const char* text;
    } cases[] = {{"zh_CN.UTF-8", "cn"},
                 {"zh_CN", "cn"},
                 {"de_CH.UTF-8", "de"},
                 {"ja_JP.UTF-8", "en"},  // no lang_ja here: English, not nothing
                 {"en_US.UTF-8", "en"},
                 {"zh_TW.UTF-8", "en"},
                 {"C", "en"}};
    for (const auto& c : cases) {
        ScopedLocale locale(c.locale);
#ifdef _WIN32
        GTEST_SKIP() << "Windows takes the system's locale";
#endif
        ASSERT_TRUE(app->LoadSettings(&notifier, program)) << c.locale;
        EXPECT_EQ(app->GetLangString("IDS_ERROR"), c.text) << c.locale;
    }
    EXPECT_EQ(app->m_strLangFile, Native("bin/Data/lang_en.lng"));
    EXPECT_EQ(app->m_strBinDir, Native("bin/Bin"));
    EXPECT_TRUE(notifier.calls.empty());
}

TEST_F(AppDataTest, SwitchedLanguageIsShownAndKept) {
    const std::string program = MakeProgram("language=lang_cn\r\n; the radio\r\nradio=usb\r\n");
    dir.Write("bin/Data/lang_cn.lng", "[String]\nIDS_ERROR=cn\n");
    dir.Write("bin/Data/lang_pl.lng", "[String]\nIDS_ERROR=pl\n");
    ASSERT_TRUE(app->LoadSettings(&notifier, program));
    std::string reason;
    EXPECT_TRUE(app->SwitchLanguage("lang_pl", &reason)) << reason;
    EXPECT_EQ(app->GetLangString("IDS_ERROR"), "pl");
    EXPECT_EQ(app->LanguageInForce(), "lang_pl");
    std::ifstream in(Native("bin/Data/setting.txt"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              "; test\r\n[setup]\r\nlanguage=lang_pl\r\n; the radio\r\nradio=usb\r\n");
    in.close();
    ASSERT_TRUE(app->LoadSettings(&notifier, program));
    EXPECT_EQ(app->GetLangString("IDS_ERROR"), "pl");

    // A file that is not there changes nothing.
    EXPECT_FALSE(app->SwitchLanguage("lang_xx", &reason));
    EXPECT_NE(reason.find("lang_xx.lng"), std::string::npos) << reason;
    EXPECT_EQ(app->LanguageInForce(), "lang_pl");
    EXPECT_EQ(app->GetLangString("IDS_ERROR"), "pl");
}

TEST_F(AppDataTest, ChineseSystemFindsAUtf8ProgramFolder) {
#ifdef _WIN32
    GTEST_SKIP() << "paths are not UTF-8 bytes on Windows";
#endif
    // "中" is E4 B8 AD: read as GBK, AD would pair with the '/' after it.
    ScopedLocale locale("zh_CN.UTF-8");
    dir.Write("\xE4\xB8\xAD/bin/Data/setting.txt", "[setup]\n");
    dir.Write("\xE4\xB8\xAD/bin/Data/lang_cn.lng", "[String]\nIDS_ERROR=cn\n");
    ASSERT_TRUE(app->LoadSettings(&notifier, Native("\xE4\xB8\xAD/bin/pendrak")));
    EXPECT_EQ(app->GetLangString("IDS_ERROR"), "cn");
}

TEST_F(AppDataTest, KeysOfSetupAreRead) {
    ScopedLocale locale("en_US.UTF-8");
    const std::string program = MakeProgram(
        "language = "
        "sub/lang_x\r\nBinFile=\"/srv/images\"\r\ncodepage=gbk\r\nradio=sim:/tmp/r.bin\r\n");
    dir.Write("bin/Data/sub/lang_x.lng", "[Resource]\n7316=Lesen\n");
    ASSERT_TRUE(app->LoadSettings(&notifier, program));
    EXPECT_EQ(app->m_strAppDir, Native("bin"));
    EXPECT_EQ(app->m_strLangFile, Native("bin/Data") + kSep + "sub/lang_x.lng");
    EXPECT_EQ(app->GetLangResource(7316), "Lesen");
    EXPECT_EQ(app->m_strBinDir, "/srv/images");
    EXPECT_EQ(app->m_strCodePage, "gbk");
    EXPECT_EQ(GetProgramCodePage(), CP_GBK_ID);
    EXPECT_EQ(app->m_strRadio, "sim:/tmp/r.bin");
    EXPECT_EQ(app->m_bRadioBusy, 0);
    EXPECT_EQ(app->m_contacts.Bytes()[16], 3);  // image cleared
    EXPECT_EQ(app->m_contacts.GetContactCount(), 0);

    // Values are cut to 259 bytes; an unknown code page leaves the system's.
    MakeProgram("language=" + std::string(300, 'l') + "\ncodepage=klingon\n");
    ASSERT_TRUE(app->LoadSettings(&notifier, program));
    EXPECT_EQ(app->m_strLangFile, Native("bin/Data/" + std::string(259, 'l') + ".lng"));
    EXPECT_EQ(app->m_strCodePage, "klingon");
    const int loaded = GetProgramCodePage();
    EXPECT_NE(loaded, CP_GBK_ID);  // not left over from the first load
    SetProgramCodePage(0);
    EXPECT_EQ(loaded, GetProgramCodePage());
    EXPECT_FALSE(app->m_langFile.IsOpen());
    EXPECT_EQ(app->GetLangString("IDS_ERROR"), "");
    EXPECT_EQ(app->GetLangResource(102), "");
}

TEST_F(AppDataTest, InstalledLayoutUsesShareData) {
    dir.Write("usr/share/pendrak/Data/setting.txt", "[setup]\nlanguage=lang_en\n");
    dir.Write("usr/share/pendrak/Data/lang_en.lng", "[Resource]\n102=Contacts\n");
    ASSERT_TRUE(app->LoadSettings(&notifier, Native("usr/bin/pendrak")));
    EXPECT_EQ(app->m_strDataDir, Native("usr/share/pendrak/Data"));
    EXPECT_EQ(app->GetLangResource(102), "Contacts");
    EXPECT_EQ(app->m_strBinDir, Native("usr/bin/Bin"));

    // A Data folder beside the program comes first.
    dir.Write("usr/bin/Data/setting.txt", "[setup]\n");
    ASSERT_TRUE(app->LoadSettings(&notifier, Native("usr/bin/pendrak")));
    EXPECT_EQ(app->m_strDataDir, Native("usr/bin/Data"));

    // A later load that finds no settings drops the earlier language file.
    EXPECT_FALSE(app->LoadSettings(&notifier, Native("elsewhere/pendrak")));
    EXPECT_FALSE(app->m_langFile.IsOpen());
    EXPECT_TRUE(app->m_strLangFile.empty());
    EXPECT_EQ(notifier.calls.size(), 1u);
}

TEST_F(AppDataTest, BackupFolderAndVerify) {
    const std::string program = MakeProgram("BinFile=" + Native("images") + "\nverify=1\n");
    ASSERT_TRUE(app->LoadSettings(&notifier, program));
    EXPECT_EQ(app->BackupDir(), Native("images"));
    EXPECT_EQ(app->m_bVerify, 1);

    // A relative folder is the program's; without one, Bin beside it.
    MakeProgram("BinFile=kept\nverify=0\n");
    ASSERT_TRUE(app->LoadSettings(&notifier, program));
    EXPECT_EQ(app->BackupDir(), Native("bin/kept"));
    EXPECT_EQ(app->m_bVerify, 0);
    // "~/" is the home folder; "~x" is a folder of that name.
    {
#ifdef _WIN32
        ScopedEnv home("USERPROFILE", Native("home").c_str());
#else
        ScopedEnv home("HOME", Native("home").c_str());
#endif
        MakeProgram("BinFile=~/kept\n");
        ASSERT_TRUE(app->LoadSettings(&notifier, program));
        EXPECT_EQ(app->BackupDir(), Native("home/kept"));
        MakeProgram("BinFile=~kept\n");
        ASSERT_TRUE(app->LoadSettings(&notifier, program));
        EXPECT_EQ(app->BackupDir(), Native("bin/~kept"));
    }
    MakeProgram("language=lang_en\n");
    ASSERT_TRUE(app->LoadSettings(&notifier, program));
    EXPECT_EQ(app->BackupDir(), Native("bin/Bin"));
    EXPECT_EQ(app->m_bVerify, 0);

    // An installed copy keeps them in the user's data folder.
#ifdef _WIN32
    ScopedEnv data("LOCALAPPDATA", Native("data").c_str());
#else
    ScopedEnv data("XDG_DATA_HOME", Native("data").c_str());
#endif
    dir.Write("usr/share/pendrak/Data/setting.txt", "[setup]\n");
    ASSERT_TRUE(app->LoadSettings(&notifier, Native("usr/bin/pendrak")));
    EXPECT_EQ(app->BackupDir(), Native("data/pendrak/Bin"));
#ifndef _WIN32
    ScopedEnv relative("XDG_DATA_HOME", "not/absolute");
    ScopedEnv home("HOME", Native("home").c_str());
    EXPECT_EQ(app->BackupDir(), Native("home/.local/share/pendrak/Bin"));
#endif
}

TEST_F(AppDataTest, EscapesMoveByCharacter) {
    // 0xB6 0x5C is one GBK character whose trail byte is a backslash.
    const std::string program = MakeProgram("language=gbk\ncodepage=GBK\n");
    dir.Write("bin/Data/gbk.lng",
              "[String]\n"
              "two=a\\nb\\tc\n"
              "esc=\\\\n|\\N|\\x|\\\n"
              "trail=\xB6\\n|\xB6\\\\n|\xB6\\t\n"
              "[Resource]\n"
              "7=\\n\n"
              "[String]\n");
    ASSERT_TRUE(app->LoadSettings(&notifier, program));
    EXPECT_EQ(app->GetLangString("two"), "a\nb\tc");
    EXPECT_EQ(app->GetLangString("esc"), "\\\n|\\N|\\x|\\");
    EXPECT_EQ(app->GetLangString("trail"), "\xB6\\n|\xB6\\\n|\xB6\\t");
    EXPECT_EQ(app->GetLangResource(7), "\\n");  // used as written
    EXPECT_EQ(app->GetLangString("7"), "");     // sections stay apart
    EXPECT_EQ(app->GetLangResource(0), "");

    // A UTF-8 file (byte-order mark) is scanned as UTF-8 even when the program
    // runs in GBK: "。" is E3 80 82, and 82 5C would pair up in GBK.
    app->m_langFile.Close();  // Windows keeps a mapped file from being rewritten
    dir.Write("bin/Data/gbk.lng", "\xEF\xBB\xBF[String]\nk=\xE3\x80\x82\\n\xE3\x80\x82\\t\n");
    ASSERT_TRUE(app->LoadSettings(&notifier, program));
    EXPECT_EQ(app->GetLangString("k"), "\xE3\x80\x82\n\xE3\x80\x82\t");
}

TEST_F(AppDataTest, HandEditIsReadAgainAndSavingKeepsTheContacts) {
    ScopedLocale locale("en_US.UTF-8");
    const std::string program = MakeProgram("language=lang_en\r\ncodepage=\r\nverify=0\r\n");
    dir.Write("bin/Data/lang_en.lng", "[String]\nIDS_ERROR=en\n");
    dir.Write("bin/Data/lang_cn.lng", "[String]\nIDS_ERROR=cn\n");
    ASSERT_TRUE(app->LoadSettings(&notifier, program));
    EXPECT_EQ(app->m_bConfirmWrite, 1);  // asked unless turned off
    app->m_contacts.SetContactCount(7);

    MakeProgram("language=lang_cn\r\ncodepage=GBK\r\nverify=1\r\nconfirm_write=0\r\n");
    ASSERT_TRUE(app->ReloadSettings());
    EXPECT_EQ(app->GetLangString("IDS_ERROR"), "cn");
    EXPECT_EQ(GetProgramCodePage(), CP_GBK_ID);
    EXPECT_EQ(app->m_bVerify, 1);
    EXPECT_EQ(app->m_bConfirmWrite, 0);
    EXPECT_EQ(app->m_contacts.GetContactCount(), 7);

    std::string reason;
    ASSERT_TRUE(app->SaveSettings({{"language", "lang_en"}, {"import_folder", "/srv/in"}}, &reason))
        << reason;
    EXPECT_EQ(app->GetLangString("IDS_ERROR"), "en");
    EXPECT_EQ(app->m_strImportFolder, "/srv/in");
    EXPECT_EQ(app->m_contacts.GetContactCount(), 7);
}

TEST(ShippedData, EveryLanguageHoldsEveryText) {
    // The Data/ folder copied beside this test program.
    const char* keys[] = {"IDS_DMRCONTACT",      "IDS_Savecsv",      "IDS_FileNameError",
                          "IDS_SavecsvOK",       "IDS_ERROR",        "IDS_ERR_PORTCONN",
                          "IDS_ERR_CONNECT",     "IDS_ERR_GMode",    "IDS_ERR_ReadRDSVersion",
                          "IDS_ERR_RDSVersion",  "IDS_ERR_READ",     "IDS_PROMPT_READ",
                          "IDS_PROMPT_READSUCC", "IDS_PROMPT_WRITE", "IDS_PROMPT_WRITESUCC",
                          "IDS_ERR_WRITE",       "IDS_PROMPT_VERIFYING", "IDS_PROMPT_VERIFYSUCC",
                          "IDS_ERR_VERIFY",      "IDS_ERR_VERIFYAT", "IDS_ERR_VERIFYREAD",
                          "IDS_ERR_BACKUPREAD",  "IDS_ERR_BACKUPWRITE", "IDS_OPENBACKUP",
                          "IDS_ERR_OPENBACKUP",  "IDS_PROMPT_BACKUPOPENED", "IDS_PROMPT_BACKUPSTATUS",
                          "IDS_ERR_VERIFYSTATUS"};
    const int resources[] = {102, 7303, 7304, 7305, 7306, 7313, 7314, 7316, 7317};
    for (const char* locale : {"zh_CN.GBK", "en_US.UTF-8"}) {
        ScopedLocale scoped(locale);
        auto app = std::make_unique<CAppData>();
        RecordingNotifier notifier;
        ASSERT_TRUE(app->LoadSettings(&notifier)) << locale;
        ASSERT_TRUE(app->m_langFile.IsOpen()) << app->m_strLangFile;
        EXPECT_TRUE(app->m_langFile.StartsWithUtf8Bom()) << app->m_strLangFile;
        for (const char* key : keys) {
            const std::string text = app->GetLangString(key);
            EXPECT_FALSE(text.empty()) << app->m_strLangFile << " " << key;
            EXPECT_EQ(ToUtf8(text, CP_UTF8_ID), text) << key;  // well-formed UTF-8
            EXPECT_EQ(text.find('\\'), std::string::npos) << key;
        }
        for (const int id : resources)
            EXPECT_FALSE(app->GetLangResource(id).empty()) << app->m_strLangFile << " " << id;
        SetProgramCodePage(0);
    }
}

}  // namespace
}  // namespace pendrak
