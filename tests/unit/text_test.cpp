#include "app/text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Text(const char16_t* buffer) { return std::u16string(buffer); }

TEST(AppendText, CutsAtEveryCapacityAndAlwaysTerminates)
{
    const std::u16string source = u"Pump  60%";
    for (int cap = 1; cap <= 12; ++cap) {
        char16_t buffer[16];
        for (char16_t& c : buffer) c = u'#';
        const int pos = AppendText(buffer, 0, cap, source.c_str());
        const int expected = cap - 1 < static_cast<int>(source.size()) ? cap - 1
                                                                       : static_cast<int>(source.size());
        EXPECT_EQ(pos, expected) << "cap " << cap;
        EXPECT_EQ(buffer[pos], 0) << "cap " << cap;
        EXPECT_EQ(Text(buffer), source.substr(0, expected)) << "cap " << cap;
        EXPECT_EQ(buffer[cap], u'#') << "wrote past cap " << cap;
    }
}

TEST(AppendText, FullBufferAndEmptyTextChangeNothing)
{
    char16_t buffer[8] = u"abcdefg";
    EXPECT_EQ(AppendText(buffer, 7, 8, u"xyz"), 7);
    EXPECT_EQ(Text(buffer), u"abcdefg");
    char16_t other[8] = u"ab";
    other[2] = u'#';
    EXPECT_EQ(AppendText(other, 2, 8, u""), 2);
    EXPECT_EQ(other[2], 0);
}

TEST(AppendText, PositionOutsideTheBufferWritesNothing)
{
    char16_t buffer[4] = {u'a', u'b', u'c', u'd'};
    EXPECT_EQ(AppendText(buffer, 4, 4, u"x"), 4);
    EXPECT_EQ(AppendText(buffer, -1, 4, u"x"), -1);
    EXPECT_EQ(AppendDecimal(buffer, 5, 4, 7), 5);
    EXPECT_EQ(AppendText(buffer, 0, 0, u"x"), 0);
    EXPECT_EQ(buffer[0], u'a');
    EXPECT_EQ(buffer[3], u'd');
}

TEST(AppendDecimal, ZeroLargestAndNegativeValues)
{
    char16_t buffer[16];
    EXPECT_EQ(AppendDecimal(buffer, 0, 16, 0), 1);
    EXPECT_EQ(Text(buffer), u"0");
    EXPECT_EQ(AppendDecimal(buffer, 0, 16, 4294967295u), 10);
    EXPECT_EQ(Text(buffer), u"4294967295");
    AppendDecimal(buffer, 0, 16, static_cast<uint32_t>(-1));
    EXPECT_EQ(Text(buffer), u"4294967295");
}

TEST(AppendDecimal, LosesTheLeastSignificantDigitsWhenFull)
{
    char16_t buffer[8] = u"abcde";
    EXPECT_EQ(AppendDecimal(buffer, 5, 8, 987), 7);
    EXPECT_EQ(Text(buffer), u"abcde98");
    for (int cap = 1; cap <= 11; ++cap) {
        char16_t digits[12];
        const int pos = AppendDecimal(digits, 0, cap, 1234567890u);
        EXPECT_EQ(pos, cap - 1 < 10 ? cap - 1 : 10);
        EXPECT_EQ(Text(digits), std::u16string(u"1234567890").substr(0, pos));
    }
}

TEST(Composers, PercentLabelsAndTenths)
{
    char16_t percent[PercentTextCapacity];
    PercentText(percent, 70);
    EXPECT_EQ(Text(percent), u"70%");
    PercentText(percent, 100);
    EXPECT_EQ(Text(percent), u"100%");

    char16_t label[48];
    LabelPercent(label, 48, u"Pump", 60);
    EXPECT_EQ(Text(label), u"Pump  60%");
    LabelRpmPercent(label, 48, u"Fans", 1250, 45);
    EXPECT_EQ(Text(label), u"Fans  1250 RPM  45%");
    EXPECT_EQ(LabelRpmPercent(label, 8, u"Fans", 1250, 45), 7);
    EXPECT_EQ(Text(label), u"Fans  1");

    char16_t tenths[16];
    int pos = AppendTenths(tenths, 0, 16, 312);
    AppendText(tenths, pos, 16, u" °C");
    EXPECT_EQ(Text(tenths), u"31.2 °C");
    AppendTenths(tenths, 0, 16, 1000);
    EXPECT_EQ(Text(tenths), u"100.0");
    AppendTenths(tenths, 0, 16, 5);
    EXPECT_EQ(Text(tenths), u"0.5");
}

} // namespace
