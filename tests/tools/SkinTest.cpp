// Skin descriptions, their checks and the catalogue, over skin folders made
// in a temporary directory and over the shipped skins.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "desktop/tools/skins/SkinCatalog.h"

namespace hd::tools {
namespace {

namespace fs = std::filesystem;

struct TempDir {
    fs::path path = fs::temp_directory_path() /
                    ("hd-skins-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
    static inline int counter = 0;
};

void Write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

// A PNG signature and IHDR chunk: all the catalogue reads of a picture.
std::string PngHeader(uint32_t w, uint32_t h) {
    std::string s("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    for (uint32_t v : {w, h})
        for (int shift = 24; shift >= 0; shift -= 8) s += char((v >> shift) & 0xFF);
    return s + std::string(5, '\0');
}

const char* kGood =
    "[Skin]\nName = Test\nImage = skin.png\nDevices = iPAQ, other\nScreen = 010, 20, 240, 320\n"
    "[Button]\nArea = 10, 350, 30, 30\nAppButton = 2 ; the second\n[Button]  # Enter\n"
    "Area = 50,350,30,30\nKey = 0x0D\n";

TEST(Skin, AGoodDescriptionLoadsAndPointsFindTheirPlace) {
    TempDir d;
    Write(d.path / "Test/skin.ini", kGood);
    Write(d.path / "Test/skin.png", PngHeader(260, 400));
    SkinDescription s;
    std::string error;
    ASSERT_TRUE(LoadSkinFolder((d.path / "Test").string(), s, error)) << error;
    EXPECT_EQ(s.name, "Test");
    EXPECT_EQ(s.imageWidth, 260);
    EXPECT_TRUE(s.Suits(0));
    EXPECT_FALSE(s.Suits(1));
    EXPECT_TRUE(s.Suits(3));
    ASSERT_EQ(s.buttons.size(), 2u);
    EXPECT_EQ(s.buttons[1].kind, SkinButton::Key);
    EXPECT_EQ(s.buttons[1].value, 0x0D);

    EXPECT_EQ(HitTest(s, 10, 20).kind, SkinHit::Screen);
    EXPECT_EQ(HitTest(s, 249, 339).kind, SkinHit::Screen);
    EXPECT_EQ(HitTest(s, 250, 339).kind, SkinHit::Body);
    EXPECT_EQ(HitTest(s, 60, 360).kind, SkinHit::Button);
    EXPECT_EQ(HitTest(s, 60, 360).button, 1);
    EXPECT_EQ(HitTest(s, 0, 0).kind, SkinHit::Body);
}

TEST(Skin, BrokenSkinsAreRefusedWithTheirReason) {
    const std::string png = PngHeader(260, 400);
    struct Case {
        const char* what;
        std::string ini, image, reason;
    } cases[] = {
        {"no description", "", png, "no skin.ini"},
        {"no picture", kGood, "", "the skin image skin.png is missing or not a PNG picture"},
        {"not a PNG", kGood, "GIF89a and more bytes than a header",
         "is missing or not a PNG picture"},
        {"bad numbers", "[Skin]\nImage=skin.png\nDevices=iPAQ\nScreen = 10, 20, wide, 320\n", png,
         "skin.ini line 4: Screen needs four whole numbers"},
        {"negative", "[Skin]\nImage=skin.png\nDevices=iPAQ\nScreen = -1, 20, 240, 320\n", png,
         "Screen needs four whole numbers"},
        {"too few", "[Skin]\nImage=skin.png\nDevices=iPAQ\nScreen = 1, 2, 3\n", png,
         "Screen needs four whole numbers"},
        {"outside", "[Skin]\nImage=skin.png\nDevices=iPAQ\nScreen = 30, 100, 240, 320\n", png,
         "the screen rectangle 30,100 240x320 does not fit the 260x400 skin image"},
        {"unknown device", "[Skin]\nImage=skin.png\nDevices=iPAQ, Palmtop\nScreen=0,0,2,2\n", png,
         "unknown device type \"Palmtop\""},
        {"no devices", "[Skin]\nImage=skin.png\nScreen=0,0,2,2\n", png, "no Devices in [Skin]"},
        {"no screen", "[Skin]\nImage=skin.png\nDevices=Jornada\n", png, "no Screen in [Skin]"},
        {"image elsewhere", "[Skin]\nImage=../x.png\nDevices=iPAQ\nScreen=0,0,2,2\n", png,
         "Image names a file inside the skin's folder"},
        {"button outside", std::string(kGood) + "[Button]\nArea=250,390,30,30\nAppButton=1\n", png,
         "button 3 (250,390 30x30) does not fit"},
        {"button on screen", std::string(kGood) + "[Button]\nArea=0,0,20,30\nKey=13\n", png,
         "button 3 (0,0 20x30) covers the screen rectangle"},
        {"button six",
         "[Skin]\nImage=skin.png\nDevices=iPAQ\nScreen=0,0,2,2\n[Button]\n"
         "Area=5,5,5,5\nAppButton=6\n",
         png, "line 7: AppButton takes 1 to 5"},
        {"button without area",
         "[Skin]\nImage=skin.png\nDevices=iPAQ\nScreen=0,0,2,2\n[Button]\n"
         "AppButton=1\n",
         png, "button 1 needs an Area"},
        {"not a description", "just some text\n", png, "line 1: expected Key = Value"},
        {"unknown section", "[Skins]\n", png, "unknown section [skins]"},
    };
    for (const Case& c : cases) {
        TempDir d;
        const fs::path folder = d.path / "Broken";
        fs::create_directories(folder);
        if (!c.ini.empty()) Write(folder / "skin.ini", c.ini);
        if (!c.image.empty()) Write(folder / "skin.png", c.image);
        SkinDescription s;
        std::string error;
        EXPECT_FALSE(LoadSkinFolder(folder.string(), s, error)) << c.what;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;

        // The catalogue leaves it out and tells why.
        SkinCatalog catalog({d.path.string()});
        EXPECT_TRUE(catalog.Skins().empty()) << c.what;
        ASSERT_EQ(catalog.Refused().size(), 1u) << c.what;
        SkinDescription chosen;
        EXPECT_FALSE(catalog.Choose("Broken", 0, chosen, error));
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
    }
}

TEST(Skin, TheShippedSkinsCoverEveryDeviceTypeAndTheUsersComeFirst) {
    SkinCatalog shipped({HD_SKINS_DIR});
    EXPECT_TRUE(shipped.Refused().empty());
    using Names = std::vector<std::string>;
    EXPECT_EQ(shipped.NamesFor(0), (Names{"Plain", "Slate"}));
    EXPECT_EQ(shipped.NamesFor(1), (Names{"Harbor", "Plain"}));
    EXPECT_EQ(shipped.NamesFor(2), (Names{"Graphite", "Plain"}));
    EXPECT_EQ(shipped.NamesFor(3), (Names{"Plain"}));
    EXPECT_TRUE(shipped.NamesFor(4).empty());
    for (const SkinDescription& s : shipped.Skins()) {
        EXPECT_EQ(s.screen.width, 240) << s.name;  // the virtual handheld fits exactly
        EXPECT_EQ(s.screen.height, 320) << s.name;
    }
    SkinDescription chosen;
    std::string error;
    ASSERT_TRUE(shipped.Choose("", 2, chosen, error));  // no name: the first for the type
    EXPECT_EQ(chosen.name, "Graphite");
    EXPECT_FALSE(shipped.Choose("Missing", 0, chosen, error));
    EXPECT_EQ(error, "no skin of that name was found");

    // A user's skin of the same name replaces the shipped one.
    TempDir user;
    Write(user.path / "Mine/skin.ini",
          "[Skin]\nName=Plain\nImage=p.png\nDevices=Other\nScreen=0,0,240,320\n");
    Write(user.path / "Mine/p.png", PngHeader(240, 320));
    SkinCatalog ordered({user.path.string(), HD_SKINS_DIR});
    EXPECT_EQ(ordered.NamesFor(0), (Names{"Slate"}));
    EXPECT_EQ(ordered.Find("Plain")->image, "p.png");
}

}  // namespace
}  // namespace hd::tools
