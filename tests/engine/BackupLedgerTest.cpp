#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TempDir.h"
#include "engine/BackupLedger.h"
#include "engine/SavedDataFile.h"

namespace {

const RadioIdentity::Bytes kKx400 = {0xE5, 0x8E, 0xC1, 0x54, 0x19, 0x9D, 0x11, 0xD1,
                                     0x80, 0x18, 0x00, 0x60, 0xB0, 0x3C, 0x8A, 0xFF};
const RadioIdentity::Bytes kKx600 = {0xB2, 0xA7, 0x0A, 0x04, 0x90, 0x2F, 0x11, 0xD6,
                                     0xBF, 0xA6, 0x00, 0xC0, 0x4F, 0x6B, 0x8C, 0x5D};

std::string Backup(const RadioIdentity& radio, bool atRisk, std::uint8_t tuning) {
    RadioSavedData data;
    data.Begin(1, 3, "");
    data.SetRadio(radio);
    data.Add({0x8000, 0, 0, 0, {tuning}});
    if (atRisk)
        data.MarkAtRisk();
    return SavedDataFile::Format(data);
}

// Of the backups in the folder, only those of this very radio whose data never went back count; the
// oldest of them holds the radio's values from before any write.
TEST(BackupLedgerTest, FindsTheOldestBackupOfTheRadioWhoseDataNeverWentBack) {
    const RadioIdentity radio{kKx400, "SN00001234"};
    TempDir folder;
    folder.WriteFile("20261201-080000-SN00001234.radiodata", Backup(radio, false, 1));
    folder.WriteFile("20261202-080000-SN00009999.radiodata", Backup({kKx400, "SN00009999"}, true, 2));
    folder.WriteFile("20261203-080000-SN00001234.radiodata", Backup({kKx600, "SN00001234"}, true, 3));
    folder.WriteFile("20261204-080000-SN00001234.radiodata",
                     "Corvida radio data 1\nlayout 1\nmode 3\nidentity SN00001234\npiece 0x8000 0 0 0 04\nend\n");
    folder.WriteFile("20261205-080000-SN00001234.radiodata", "not radio data");
    folder.WriteFile("20261206-080000-SN00001234.radiodata.tmp", Backup(radio, true, 6));
    folder.WriteFile("20261208-080000-SN00001234.radiodata", Backup(radio, true, 8));
    folder.WriteFile("20261209-080000-SN00001234.radiodata", Backup(radio, true, 9));
    std::filesystem::create_symlink(folder.Path() / "20261208-080000-SN00001234.radiodata",
                                    folder.Path() / "20261207-080000-SN00001234.radiodata");

    const std::optional<RadioSavedData> pending = BackupLedger(folder.Path()).FindPending(radio);
    ASSERT_TRUE(pending);
    EXPECT_EQ(pending->BackupFile(), folder.Path() / "20261208-080000-SN00001234.radiodata");
    EXPECT_EQ(pending->Pieces().at(0).bytes, std::vector<std::uint8_t>{8});
    EXPECT_TRUE(pending->AtRisk());

    EXPECT_FALSE(BackupLedger(folder.Path()).FindPending({kKx400, "SN00005555"}));
    EXPECT_FALSE(BackupLedger(folder.Path()).FindPending({kKx400, ""})) << "no serial tells no radio apart";
    EXPECT_FALSE(BackupLedger(folder.Path() / "missing").FindPending(radio));
}

}  // namespace
