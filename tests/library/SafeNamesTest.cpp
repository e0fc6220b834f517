#include "library/SafeNames.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

// The show hands a skit's key command to the shell only when IsWebAddress takes it, and the catalogue
// fetches nothing else; the command comes from a downloaded skit list.

TEST(SafeNames, NoKeyCommandButAPlainWebAddressMayRun) {
    const std::vector<std::string> refused = {
        // Every other scheme.
        "file:///C:/Windows/System32/calc.exe", "file://server/share/x.exe", "ftp://example.com/x.exe",
        "javascript:alert(1)", "mailto:someone@example.com", "ms-settings:", "shell:startup", "data:text/html,x",
        "vbscript:msgbox(1)", "res://shell32.dll/1", "about:blank", "ms-msdt:/id PCWDiagnostic", "search-ms:query=x",
        "hcp://system", "telnet://example.com",
        // Shares, programs, programs with arguments.
        "\\\\server\\share\\x.exe", "\\\\?\\C:\\Windows\\calc.exe", "calc", "cmd /c calc",
        "C:\\Windows\\System32\\calc.exe", "%COMSPEC% /c calc",
        // Quotes and blanks that would end the address on a browser's command line.
        "\"http://x\" & calc", "http://x\" \"calc", "http://x\" --renderer-cmd-prefix=calc", "http://x calc",
        " http://x",
        // Web-looking spoofs and addresses without a host.
        "HTTP:\\\\x", "http:x", "http:/x", "http:", "http://", "https://", "http:///C:/Windows/calc.exe",
        "file:HTTP://x", "javascript:HTTP://x", "HTTP://x\\..\\calc.exe", "httpx://x", "http//x",
        // Too long, control characters and zero bytes, characters that no address holds.
        "http://x/" + std::string(4991, 'a'), "http://x/" + std::string(2075, 'a'), "http://x\tcalc",
        "http://x\r\nHost: evil", "http://x\ncalc", std::string("http://x\0calc", 13), "http://x\x7F",
        "http://x/<script>", "http://x|calc", "http://x^calc", "http://x`calc`", "http://x/{y}", ""};
    for (const std::string& command : refused) {
        EXPECT_FALSE(IsWebAddress(command)) << testing::PrintToString(command.substr(0, 80));
    }
}

TEST(SafeNames, WebAddressesAsListsWriteThemStillRun) {
    const std::vector<std::string> accepted = {"http://example.com/more",
                                               "https://example.com/a?b=1&c=%22x%22#top",
                                               "HTTP://EXAMPLE.COM/",
                                               "HtTpS://example.com",
                                               "http://ann:pw@skits.example:8080/dir/file.syn?x=1",
                                               "http://127.0.0.1:8080/generated/10?fault=drip&chunk=5",
                                               "http://example.com/caf\xE9",
                                               "http://x/" + std::string(2074, 'a')};
    for (const std::string& address : accepted) {
        EXPECT_TRUE(IsWebAddress(address)) << address.substr(0, 80);
    }
}

// A skit list names the movie that the download sequence writes, copies and deletes in the skits folder
// and that the player opens: it may never name the player, a library beside it, anything Windows runs,
// or a file of the catalogue's own.
TEST(SafeNames, AMovieNameNamesAMovieAndNothingThatRuns) {
    std::vector<std::string> refused = {"skitplayer.exe",
                                        "gdiplus.dll",
                                        "SKITPL~1.EXE",
                                        "SKITPL~1.GIF",
                                        "a~9.gif",
                                        "zolvane.ops",
                                        "skits.syn",
                                        "zolvane.syn",
                                        "skitplayer.arg",
                                        "zolvane.ini",
                                        "zolvane.log",
                                        "download.log",
                                        "gif",
                                        "x.gif.exe",
                                        "x.gif ",
                                        "x.gif.",
                                        "x.gif:$DATA",
                                        "..\\x.gif",
                                        "con.gif",
                                        ".gif.",
                                        "x.gi",
                                        "x.giff",
                                        "SKITPL~1.MP4",
                                        "x.mp4.exe",
                                        "x.mpeg4",
                                        "x",
                                        ""};
    for (const char* program : {"exe",       "dll",
                                "scr",       "cpl",
                                "com",       "bat",
                                "cmd",       "pif",
                                "lnk",       "url",
                                "msi",       "msp",
                                "hta",       "js",
                                "jse",       "vbs",
                                "vbe",       "wsf",
                                "ps1",       "reg",
                                "inf",       "sys",
                                "ocx",       "drv",
                                "appref-ms", "settingcontent-ms"}) {
        const std::string extension = program;
        std::string upper = extension;
        for (char& c : upper) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        refused.insert(refused.end(), {"movie." + extension, "MOVIE." + upper, "movie.gif." + extension});
    }
    for (const std::string& name : refused) {
        EXPECT_FALSE(IsMovieFileName(name)) << name;
    }
    for (const std::string& name : std::vector<std::string>{
             "sunrise.gif", "Bouncing Balls.GIF", "a~b.gif", "~x.gif", "x~.gif", ".gif", "caf\xE9.gIf",
             std::string(251, 'a') + ".gif", "clip.mp4", "clip.M4V", "clip.mov", "clip.wmv"}) {
        EXPECT_TRUE(IsMovieFileName(name)) << name;
    }
}
