// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "counters/CounterQuery.h"
#include "platform/Error.h"

TEST(CheckStatus, SuccessDoesNotRaise)
{
    EXPECT_NO_THROW(CheckStatus(0));
}

TEST(CheckStatus, FailureRaisesTheStatusAsEightUpperCaseHexDigits)
{
    struct TCase {
        // Unsigned here: Windows declares PDH_STATUS signed.
        std::uint32_t status;
        const char* message;
    };
    const TCase cases[] = {
        {0xC0000BB9, "C0000BB9"},
        {0x800007D1, "800007D1"},
        {0x00000001, "00000001"},
        {0x00ABCDEF, "00ABCDEF"},
        {0xFFFFFFFF, "FFFFFFFF"},
    };
    for (const TCase& c : cases) {
        try {
            CheckStatus(static_cast<PDH_STATUS>(c.status));
            ADD_FAILURE() << c.message << " did not raise";
        } catch (const Exception& error) {
            EXPECT_EQ(error.Message(), c.message);
        }
    }
}
