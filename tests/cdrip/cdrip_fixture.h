#pragma once
// A test with both library variants ready over the test images, settings in a private directory.

#include "cd_access.h"
#include "cdrip_test_support.h"

#include <gtest/gtest.h>

#include "drive_catalogue.h"

namespace cdriptest {

class CdRipFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        drives::RebuildCatalogue();
        linked_ = LinkedApi();
        runtime_ = RuntimeApi();
        ASSERT_EQ(linked_->Init(), CDRIP_OK);
        CdAccessStart();
        ASSERT_TRUE(CDRipReady());
    }

    void TearDown() override { CdAccessEnd(); }

    // Makes the drive of <name>.cue active in both variants.
    void UseDisc(const std::string &name)
    {
        const int32_t index = DriveIndexOf(name);
        ASSERT_GE(index, 0) << name << " is not in QUAVREL_DRIVES";
        ASSERT_EQ(linked_->SetActive(index), CDRIP_OK);
        ASSERT_EQ(runtime_->SetActive(index), CDRIP_OK);
    }

    TempConfigHome config_;
    std::unique_ptr<RipApi> linked_;
    std::unique_ptr<RipApi> runtime_;
};

} // namespace cdriptest
