// SPDX-License-Identifier: GPL-3.0-or-later
// The program's resources as data: the string table's framework texts,
// menu 100, accelerator table 100 and icon 1001; and TModule reading them.

#include "framework/Exceptions.h"
#include "framework/Module.h"
#include "resources/ResourceIds.h"
#include "resources/Resources.h"
#include "resources/VirtualKeys.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct StringRow {
    unsigned id;
    const char* text;
};

class StringTable : public testing::TestWithParam<StringRow> {};

TEST_P(StringTable, HoldsTheTextExactly) {
    const auto text = res::FindString(GetParam().id);
    ASSERT_TRUE(text.has_value()) << "string " << GetParam().id << " is missing";
    EXPECT_EQ(std::string(*text), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    FrameworkTexts, StringTable,
    testing::Values(
        StringRow{24331, "Ein neues Dokument erzeugen"}, StringRow{24332, "Ein existierendes Dokument öffnen"},
        StringRow{24339, "Dieses Dokument schließen"},
        StringRow{24310, "korvatekApp beenden und Speicherung der Dokumente abfragen"},
        StringRow{2008, "Zugriff auf Info"}, StringRow{2009, "Info über die Anwendung korvani"},
        StringRow{61440, "Größe des Fensters ändern"}, StringRow{61456, "Fenster an eine andere Position verschieben"},
        StringRow{61472, "Fenster zu Symbolen wandeln"}, StringRow{61488, "Fenster auf maximale Größe vergrößern"},
        StringRow{61504, "Zum nächsten Fenster wechseln"}, StringRow{61536, "Fenster schließen"},
        StringRow{61728, "Fenster in ursprünglicher Größe wiederherstellen"}, StringRow{61744, "Task-Liste öffnen"},
        StringRow{32503, "Dokument"}, StringRow{32504, "Document can't be opened."},
        StringRow{32505, "Document can't be closed."},
        StringRow{32508, "Das Dokument wurde geändert.\n\nSpeichern vor Schließen des Fensters?"},
        StringRow{32512, "Dokument ist bereits geladen"}, StringRow{32530, "EXT|CAPS|NUM|SCRL|OVR|REC"},
        StringRow{32531, "   |    |   |    |   |   "}, StringRow{32732, "Ungültiges DIB-Handle %X"},
        StringRow{32739, "GDI-Fehler"}, StringRow{32745, "Fehler bei Erzeugung eines untergeordneten Fensters für %s"},
        StringRow{32746, "Ausführungsfehler bei Fenster %s"}, StringRow{32747, "Fehler bei Erzeugung von Fenster %s"},
        StringRow{32748, "Fehler bei Registrierung der Kindklasse für Fenster %s "},
        StringRow{32749, "Fehler bei Klassenregistrierung für Fenster %s "}, StringRow{32759, "MainWindow ungültig"},
        StringRow{32761, "Zuwenig Speicherplatz"}, StringRow{32763, "Unbekannter Fehler"},
        StringRow{32764, "Nicht behandelte Exception"}, StringRow{32765, "Fortfahren?"}));

TEST(StringTableLookup, AnswersNothingForIdsItDoesNotHold) {
    EXPECT_FALSE(res::FindString(0).has_value());
    EXPECT_FALSE(res::FindString(32001).has_value());
    EXPECT_FALSE(res::FindString(65535).has_value());
}

TEST(MainMenu, HasTwoPopupsDividedByASeparator) {
    const res::Menu* menu = res::FindMenu(resid::MainMenu);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->items.size(), 3u);
    const res::MenuItem& file = menu->items[0];
    EXPECT_EQ(file.kind, res::MenuItem::Kind::Popup);
    EXPECT_EQ(file.text, "&file");
    EXPECT_EQ(menu->items[1].kind, res::MenuItem::Kind::Separator);
    const res::MenuItem& help = menu->items[2];
    EXPECT_EQ(help.text, "&help");

    ASSERT_EQ(file.items.size(), 5u);
    EXPECT_EQ(file.items[0].text, "open...");
    EXPECT_EQ(file.items[0].id, 24332u);
    EXPECT_EQ(file.items[1].kind, res::MenuItem::Kind::Separator);
    EXPECT_EQ(file.items[2].text, "close");
    EXPECT_EQ(file.items[2].id, 24339u);
    EXPECT_EQ(file.items[3].kind, res::MenuItem::Kind::Separator);
    EXPECT_EQ(file.items[4].text, "&quit\tAlt+F4");
    EXPECT_EQ(file.items[4].id, 24310u);
    ASSERT_EQ(help.items.size(), 1u);
    EXPECT_EQ(help.items[0].text, "info &about...");
    EXPECT_EQ(help.items[0].id, 2009u);

    EXPECT_EQ(res::FindMenu(101), nullptr);
}

TEST(MainAccelerators, BindTheSevenEditingKeys) {
    const res::AcceleratorTable* table = res::FindAccelerators(resid::MainAccelerators);
    ASSERT_NE(table, nullptr);
    struct Binding {
        unsigned key;
        std::uint8_t modifiers;
        unsigned command;
    };
    const Binding expected[] = {
        {VK_DELETE, 0, 24325},
        {VK_DELETE, res::FSHIFT, 24322},
        {VK_INSERT, res::FCONTROL, 24323},
        {VK_INSERT, res::FSHIFT, 24324},
        {VK_DELETE, res::FCONTROL, 24326},
        {VK_BACK, res::FALT, 24321},
        {VK_F3, 0, 24353},
    };
    ASSERT_EQ(table->entries.size(), std::size(expected));
    for (const Binding& binding : expected) {
        bool found = false;
        for (const res::Accelerator& entry : table->entries) {
            found = found || (entry.key == binding.key &&
                              (entry.flags & (res::FSHIFT | res::FCONTROL | res::FALT)) == binding.modifiers &&
                              entry.command == binding.command && (entry.flags & res::FVIRTKEY) != 0);
        }
        EXPECT_TRUE(found) << "no binding of key " << binding.key << " to " << binding.command;
    }
}

TEST(AppIcon, HoldsCrispSquarePngsFrom16To256Pixels) {
    const auto images = res::FindIcon(resid::AppIcon);
    std::vector<int> sizes;
    for (const res::IconImage& image : images) {
        QImage decoded;
        ASSERT_TRUE(decoded.loadFromData(image.png.data(), static_cast<int>(image.png.size()), "PNG"))
            << "the " << image.size << " px image is no PNG";
        EXPECT_EQ(decoded.width(), image.size);
        EXPECT_EQ(decoded.height(), image.size);
        sizes.push_back(image.size);
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48, 64, 128, 256}));
    EXPECT_TRUE(res::FindIcon(1002).empty());
}

TEST(ModuleStrings, CopyIntoTheCallersBufferCutAtItsSize) {
    TModule module("test");
    char buffer[128];
    EXPECT_EQ(module.LoadString(32764, buffer, sizeof buffer), 26);
    EXPECT_STREQ(buffer, "Nicht behandelte Exception");

    char small[6];
    EXPECT_EQ(module.LoadString(32503, small, sizeof small), 5);
    EXPECT_STREQ(small, "Dokum");

    // "Größe": a cut never splits the two bytes of "ö".
    char tiny[4];
    EXPECT_EQ(module.LoadString(61440, tiny, sizeof tiny), 2);
    EXPECT_STREQ(tiny, "Gr");
}

TEST(ModuleStrings, FailWithAnEmptyBufferWhenTheIdIsMissing) {
    TModule module("test");
    char buffer[16];
    std::strcpy(buffer, "old");
    EXPECT_EQ(module.LoadString(4711, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_FALSE(module.LoadString(4711).has_value());
    EXPECT_EQ(module.LoadString(32765).value_or(""), "Fortfahren?");
}

TEST(ModuleResources, MissingMenusAndTablesRaiseTheFrameworkError) {
    TModule module("test");
    EXPECT_EQ(module.LoadMenu(resid::MainMenu).items.size(), 3u);
    try {
        module.LoadMenu(4711);
        FAIL() << "a missing menu was read";
    } catch (const xmsg& x) {
        EXPECT_EQ(x.why(), "Unbekannter Fehler");
    }
    EXPECT_THROW(module.LoadAccelerators(4711), xmsg);
    EXPECT_TRUE(module.LoadIcon(4711).empty());
}

}  // namespace
