#include "setup/SetupRecord.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(SetupRecord, DefaultRecordBytes) {
    SetupRecords doc;
    std::memset(doc.Setup.Bytes(), 0xAA, SetupRecord::Size);
    doc.SetDefaults();
    const unsigned char* b = doc.Setup.Bytes();
    const unsigned char head[] = {0xBC, 0x06, 0x00, 0x02, 0x10, 0x00};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(b[i], head[i]) << "byte " << i;
    EXPECT_EQ(b[720], 0x2C);
    for (std::size_t i = 6; i < SetupRecord::Size; ++i) {
        if (i != 720) {
            ASSERT_EQ(b[i], 0) << "byte " << i;
        }
    }
    EXPECT_EQ(std::memcmp(doc.Setup.Bytes(), doc.SavedSetup.Bytes(), SetupRecord::Size), 0);
}

TEST(SetupRecord, EveryByteCountsAsAChange) {
    SetupRecords doc;
    doc.SetDefaults();
    EXPECT_FALSE(doc.SetupChanged());
    // Header, a flag, a byte after a text's terminator, Reserved first and last.
    for (std::size_t offset : {0u, 5u, 7u, 200u, 715u, 726u, 1723u}) {
        doc.SetDefaults();
        doc.Setup.Bytes()[offset] ^= 0x01;
        EXPECT_TRUE(doc.SetupChanged()) << "offset " << offset;
        doc.Setup.Bytes()[offset] ^= 0x01;
        EXPECT_FALSE(doc.SetupChanged()) << "offset " << offset;
    }
}

TEST(SetupRecord, FieldsLandAtTheirFileOffsets) {
    SetupRecords doc;
    doc.SetDefaults();
    doc.Setup.StampPosition = 1;
    std::strcpy(doc.Setup.TargetAppTitle, "Report");
    doc.Setup.Reserved[997] = 0x5A;
    const unsigned char* b = doc.Setup.Bytes();
    EXPECT_EQ(b[725], 1);
    EXPECT_EQ(std::memcmp(b + 7, "Report", 7), 0);
    EXPECT_EQ(b[1723], 0x5A);
}
