#include "dialogs/AboutDlg.h"
#include "resources/MenuResources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Output of a command line, or empty when it fails.
std::string Output(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        return {};
    std::string out;
    std::array<char, 4096> buffer{};
    size_t n = 0;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0)
        out.append(buffer.data(), n);
    return out;
}

// Text as a reader sees it: ligatures undone.
std::string Readable(std::string text) {
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"\xEF\xAC\x81", "fi"},
                                   {"\xEF\xAC\x82", "fl"},
                                   {"\xEF\xAC\x80", "ff"}})
        for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at))
            text.replace(at, from.size(), to);
    return text;
}

// The guide's text, lines joined.
std::string GuideText() {
    std::string text = Readable(Output("pdftotext -enc UTF-8 '" BRISK_GUIDE "' -"));
    std::replace(text.begin(), text.end(), '\n', ' ');
    return std::regex_replace(text, std::regex(" +"), " ");
}

// The lines of text on each page (index 0 is page 1), trimmed, empty ones left out.
std::vector<std::vector<std::string>> PageLines() {
    std::vector<std::vector<std::string>> pages(1);
    std::istringstream text(Readable(Output("pdftotext -enc UTF-8 '" BRISK_GUIDE "' -")));
    std::string line;
    while (std::getline(text, line)) {
        for (size_t feed = line.find('\f'); feed != std::string::npos; feed = line.find('\f')) {
            pages.emplace_back();
            line.erase(0, feed + 1);
        }
        line = std::regex_replace(line, std::regex("^\\s+|\\s+$"), "");
        if (!line.empty())
            pages.back().push_back(line);
    }
    if (pages.back().empty())
        pages.pop_back();
    return pages;
}

const std::vector<std::string> Chapters = {"1. What Tapline Brisk does",
                                           "2. First start and the demo",
                                           "3. Connecting a receiver on Linux",
                                           "4. The main window",
                                           "5. Menu commands",
                                           "6. Dialogs",
                                           "7. Setup files",
                                           "8. The system tray",
                                           "9. The test program",
                                           "10. How readings are typed",
                                           "11. The target file's format",
                                           "12. Troubleshooting"};

// A menu entry as the guide names it: no access-key mark, no key name.
std::string EntryName(const char* text) {
    std::string name = text;
    name = name.substr(0, name.find('\t'));
    std::erase(name, '&');
    return name;
}

TEST(UsersGuide, IsBuiltBesideTheProgramWithItsChaptersAndEveryMenuCommand) {
    ASSERT_TRUE(std::filesystem::exists(BRISK_GUIDE));
    EXPECT_EQ(std::filesystem::path(BRISK_GUIDE).parent_path(),
              std::filesystem::path(TAPLINE_BRISK_EXE).parent_path());
    const std::string text = GuideText();
    ASSERT_NE(text.find("Tapline Brisk User's Guide"), std::string::npos) << "pdftotext failed?";
    for (const std::string& chapter : Chapters)
        EXPECT_NE(text.find(chapter), std::string::npos) << chapter;
    for (const MenuResource& menu : MainMenu()) {
        for (const MenuItem& item : menu.items) {
            if (item.text != nullptr) {
                EXPECT_NE(text.find(EntryName(item.text)), std::string::npos)
                    << menu.title << " > " << item.text;
            }
        }
    }
    EXPECT_NE(text.find(EntryName(TrayMenu().items.front().text)), std::string::npos);
    for (const char* topic : {"scripts/run --demo", "dialout", "/dev/serial/by-id",
                              "[SerialDeviceMap]", "KeyboardTyping=ScanCodes", "CR LF"})
        EXPECT_NE(text.find(topic), std::string::npos) << topic;
}

// The lines of the contents page: each heading named there and the page number beside it.
std::vector<std::pair<std::string, int>> Contents() {
    std::istringstream text(
        Readable(Output("pdftotext -layout -enc UTF-8 -f 2 -l 2 '" BRISK_GUIDE "' -")));
    const std::regex entry(R"(^\s*(\S.*?\S)\s{2,}(\d+)\s*$)");
    std::vector<std::pair<std::string, int>> entries;
    std::string line;
    std::smatch match;
    while (std::getline(text, line))
        if (std::regex_match(line, match, entry))
            entries.emplace_back(match[1], std::stoi(match[2]));
    return entries;
}

TEST(UsersGuide, OpensWithTheVersionAndContentsWhosePageNumbersLeadToEveryHeading) {
    const auto pages = PageLines();
    ASSERT_GE(pages.size(), 3u) << "pdftotext failed?";
    std::string title;
    for (const std::string& line : pages[0])
        title += line + ' ';
    for (const QString& line : {QStringLiteral("Tapline Brisk User's Guide"),
                                CAboutDlg::VersionLine(), CAboutDlg::ReleaseLine()})
        EXPECT_NE(title.find(line.toStdString()), std::string::npos) << line.toStdString();
    EXPECT_EQ(pages[1].front(), "Contents");

    const auto contents = Contents();
    for (const std::string& chapter : Chapters)
        EXPECT_NE(std::find_if(contents.begin(), contents.end(),
                               [&](const auto& entry) { return entry.first == chapter; }),
                  contents.end())
            << chapter;
    EXPECT_GT(contents.size(), Chapters.size()) << "sections listed too";
    for (const auto& [heading, number] : contents) {
        // The heading stands on a line of its own on that page, and on no other after the
        // contents.
        std::vector<int> found;
        for (size_t page = 2; page < pages.size(); ++page)
            if (std::find(pages[page].begin(), pages[page].end(), heading) != pages[page].end())
                found.push_back(static_cast<int>(page) + 1);
        EXPECT_EQ(found, std::vector<int>{number}) << heading;
    }
}

TEST(UsersGuide, NumbersEveryPageAndLeavesNoHeadingAtTheFootNorAPageOfAFewLines) {
    const auto pages = PageLines();
    std::set<std::string> headings;
    for (const auto& [heading, number] : Contents())
        headings.insert(heading);
    ASSERT_FALSE(headings.empty());
    for (size_t page = 1; page < pages.size(); ++page) {
        const std::vector<std::string>& lines = pages[page];
        const std::string number = std::to_string(page + 1);
        ASSERT_GE(lines.size(), 2u) << "page " << number;
        EXPECT_EQ(lines.back(), number) << "the number at the foot of page " << number;
        EXPECT_GE(lines.size() - 1, 5u) << "lines of text on page " << number;
        EXPECT_EQ(headings.count(lines[lines.size() - 2]), 0u)
            << "page " << number << " ends with the heading " << lines[lines.size() - 2];
    }
}

TEST(UsersGuide, ShowsThePicturesOfTheProgramsWindowsEachWithItsCaption) {
    // One line per picture after the two heading lines; each drawn at twice screen density.
    std::istringstream list(Output("pdfimages -list '" BRISK_GUIDE "'"));
    const auto pages = PageLines();
    std::string line;
    int pictures = 0;
    std::getline(list, line);
    std::getline(list, line);
    while (std::getline(list, line)) {
        std::istringstream fields(line);
        size_t page = 0;
        std::string num, type;
        int width = 0, height = 0;
        fields >> page >> num >> type >> width >> height;
        EXPECT_EQ(type, "image");
        EXPECT_GT(width, 800) << line;
        EXPECT_GT(height, 400) << line;
        ++pictures;
        // Its caption on the same page.
        const std::string caption = "Figure " + std::to_string(pictures) + ". ";
        ASSERT_LE(page, pages.size());
        EXPECT_NE(std::find_if(pages[page - 1].begin(), pages[page - 1].end(),
                               [&](const std::string& text) { return text.starts_with(caption); }),
                  pages[page - 1].end())
            << caption << "on page " << page;
    }
    EXPECT_EQ(pictures, 6) << "main window, Parsing, Available Serial Ports, Preferences, "
                              "Get Target Application, About";
}

} // namespace
