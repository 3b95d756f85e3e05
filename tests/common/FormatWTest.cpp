#include "common/FormatW.h"

#include <gtest/gtest.h>
#include <string>

TEST(FormatWTest, PercentSTakesAWideString)
{
    wchar_t buf[32];
    EXPECT_EQ(7u, FormatW(buf, 32, L"%s %s", L"ab", L"cdef"));
    EXPECT_STREQ(L"ab cdef", buf);
}

TEST(FormatWTest, CutsAtTheBufferEndAndTerminates)
{
    wchar_t buf[5];
    wmemset(buf, L'#', 5);
    EXPECT_EQ(4u, FormatW(buf, 5, L"%d", 1234567));
    EXPECT_STREQ(L"1234", buf);

    wmemset(buf, L'#', 5);
    EXPECT_EQ(4u, FormatW(buf, 5, L"%d", 1234));
    EXPECT_STREQ(L"1234", buf) << "a result exactly one short of the capacity";
}

TEST(FormatWTest, NullFormatGivesEmptyText)
{
    wchar_t buf[4] = L"xyz";
    EXPECT_EQ(0u, FormatW(buf, 4, nullptr));
    EXPECT_STREQ(L"", buf);
}
