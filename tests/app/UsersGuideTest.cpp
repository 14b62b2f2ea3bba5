#include "resources/MenuResources.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <regex>
#include <sstream>
#include <string>

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

// The guide's text as a reader sees it: ligatures undone, lines joined.
std::string GuideText() {
    std::string text = Output("pdftotext -enc UTF-8 '" BRISK_GUIDE "' -");
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"\xEF\xAC\x81", "fi"},
                                   {"\xEF\xAC\x82", "fl"},
                                   {"\n", " "}})
        for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at))
            text.replace(at, from.size(), to);
    return std::regex_replace(text, std::regex(" +"), " ");
}

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
    for (const char* chapter :
         {"1. What Tapline Brisk does", "2. First start and the demo",
          "3. Connecting a receiver on Linux", "4. The main window", "5. Menu commands",
          "6. Dialogs", "7. Setup files", "8. The system tray", "9. The test program",
          "10. How readings are typed", "11. The target file's format", "12. Troubleshooting"})
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

TEST(UsersGuide, ShowsThePicturesOfTheProgramsWindows) {
    // One line per picture after the two heading lines; each drawn at twice screen density.
    std::istringstream list(Output("pdfimages -list '" BRISK_GUIDE "'"));
    std::string line;
    int pictures = 0;
    std::getline(list, line);
    std::getline(list, line);
    while (std::getline(list, line)) {
        std::istringstream fields(line);
        std::string page, num, type;
        int width = 0, height = 0;
        fields >> page >> num >> type >> width >> height;
        EXPECT_EQ(type, "image");
        EXPECT_GT(width, 800) << line;
        EXPECT_GT(height, 400) << line;
        ++pictures;
    }
    EXPECT_EQ(pictures, 4) << "main window, Parsing, Preferences, About";
}

} // namespace
