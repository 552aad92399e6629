// find through the real program: the core's matches, as list shows rows,
// each with its page; texts given in the terminal's encoding.
#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "CliProcess.h"
#include "contacts/ContactFind.h"
#include "csv/ContactCsv.h"

using namespace clitest;
using namespace pendrak;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t p = 0, q; (q = text.find('\n', p)) != std::string::npos; p = q + 1)
        lines.push_back(text.substr(p, q - p));
    return lines;
}

TEST(CliFind, TheCoreMatchesWithTheirPagesFromImageAndCsv) {
    CTempDir dir;
    const std::string csv = dir.Path("c.csv"), bin = dir.Path("c.bin");
    ASSERT_EQ(
        RunProgram(PENDRAK_DEMO_CONTACTS, {"--count", "1000", "--seed", "7", "-o", csv}).exitCode,
        0);
    ASSERT_EQ(RunCli({"import", csv, "--image", bin}).exitCode, 0);
    auto image = std::make_unique<CContactImage>();
    image->ClearContactImage();
    ASSERT_EQ(ImportContactsCsvFile(*image, csv).count, 1000);

    std::string lastCall(image->GetContactFieldText(CONTACT_CALLSIGN, 999));
    for (char& c : lastCall) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string queries[] = {
        lastCall,                                       // on the last page, in lower case
        std::to_string(image->GetContactRadioId(500)),  // a radio ID
        std::string(image->GetContactFieldText(CONTACT_CALLSIGN, 0).substr(0, 2)),  // many
    };
    const ContactTextRules utf8(true, [](unsigned char) { return false; });
    for (const std::string& query : queries) {
        const std::vector<int> expected = FindContacts(*image, CContactQuery(query, utf8));
        ASSERT_FALSE(expected.empty()) << query;
        for (const std::string& file : {bin, csv}) {
            const ProcessResult r = RunCli({"find", query, file, "--codepage", "UTF-8"});
            ASSERT_EQ(r.exitCode, 0) << query << " " << r.err;
            const std::vector<std::string> lines = Lines(r.out);
            ASSERT_EQ(lines.size(), expected.size() + 2) << query << "\n" << r.out;
            EXPECT_EQ(lines[0], std::to_string(expected.size()) + " of 1000 contacts match \"" +
                                    query + "\"");
            for (size_t i = 0; i < expected.size(); ++i) {
                const int n = expected[i];
                const std::string start = std::to_string(n / 200 + 1) + " " +
                                          (n / 200 + 1 < 10 ? "   " : "  ") +
                                          std::to_string(n + 1) + " ";
                EXPECT_EQ(lines[i + 2].rfind(start, 0), 0u) << lines[i + 2];
                EXPECT_NE(lines[i + 2].find(std::to_string(image->GetContactRadioId(n))),
                          std::string::npos);
            }
        }
    }
}

// Arguments are in the system's code page on Windows: there the Chinese
// system's test gives them in GBK.
#ifndef _WIN32
TEST(CliFind, CodePageOfTheTextsAndNoMatch) {
    CTempDir dir;
    const std::string csv = dir.Path("gbk.csv");
    // 张三 and 李四 in GBK.
    WriteFile(csv, "1001,BA1AA,\xD5\xC5\xC8\xFD,,,,,,\r\n1002,ba1ab,\xC0\xEE\xCB\xC4,,,,,,\r\n");
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string firstLine;  // or part of the error
    } cases[] = {
        {{"张", "--codepage", "GBK"}, 0, "1 of 2 contacts match \"张\""},
        {{"BA1A", "--codepage", "GBK"}, 0, "2 of 2 contacts match"},
        {{"1002"}, 0, "1 of 2 contacts match"},
        {{"张", "--codepage", "UTF-8"}, 1, "no contact matches \"张\" (2 contacts in "},
        {{"ش", "--codepage", "GBK"}, 1, "no contact matches"},  // not in GBK at all
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"find", c.args[0], csv};
        args.insert(args.end(), c.args.begin() + 1, c.args.end());
        const ProcessResult r = RunCli(args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args[0] << r.err;
        const std::string& shown = c.exitCode == 0 ? r.out : r.err;
        EXPECT_NE(shown.find(c.firstLine), std::string::npos) << c.args[0] << "\n" << shown;
    }
    const ProcessResult r = RunCli({"find", "张", csv, "--codepage", "GBK"});
    EXPECT_NE(r.out.find("张三"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("李四"), std::string::npos) << r.out;
}

// What an import into a GBK radio transliterated is found as the user
// types it, with case and accents ignored; in UTF-8 by the same words.
TEST(CliFind, TransliteratedAndAccentedNamesAreFoundAsTyped) {
    CTempDir dir;
    const std::string csv = dir.Path("user.csv");
    WriteFile(csv,
              "RADIO_ID,CALLSIGN,FIRST_NAME,LAST_NAME,CITY,STATE,COUNTRY\n"
              "2021234,SV1ABC,Γιώργος,Π,Αθήνα,,Greece\n"
              "2601111,SP5XYZ,Łukasz,K,Łódź,,Poland\n"
              "2501234,R3ABC,Иван,П,Москва,,Russia\n"
              "2621234,DL1ABC,Jürgen,S,Köln,NRW,Germany\n");
    for (const char* codePage : {"GBK", "UTF-8"}) {
        const std::string bin = dir.Path(std::string(codePage) + ".bin");
        ASSERT_EQ(RunCli({"import", csv, "--image", bin, "--codepage", codePage}).exitCode, 0);
        const struct {
            const char* typed;
            const char* callsign;
        } cases[] = {{"Γιώργος", "SV1ABC"}, {"lodz", "SP5XYZ"}, {"иван", "R3ABC"},
                     {"köln", "DL1ABC"},   {"KOLN", "DL1ABC"},  {"ŁUKASZ", "SP5XYZ"}};
        for (const auto& c : cases) {
            const ProcessResult r = RunCli({"find", c.typed, bin, "--codepage", codePage});
            EXPECT_EQ(r.exitCode, 0) << codePage << " " << c.typed << " " << r.err;
            const std::vector<std::string> lines = Lines(r.out);
            ASSERT_EQ(lines.size(), 3u) << codePage << " " << c.typed << "\n" << r.out;
            EXPECT_EQ(lines[0], "1 of 4 contacts match \"" + std::string(c.typed) + "\"");
            EXPECT_NE(lines[2].find(c.callsign), std::string::npos) << lines[2];
        }
    }
}
#endif

}  // namespace
