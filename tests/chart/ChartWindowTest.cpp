#include "common/Beep.h"
#include "notice/TForm2.h"
#include "terminal/TForm1.h"

#include <gtest/gtest.h>
#include <qcustomplot.h>

using namespace tarvessa;

namespace {

struct ChartWindow : ::testing::Test {
    TForm1 form;
    TForm2 notices;
    ChartWindow() { form.Form2 = &notices; }

    void receive(std::initializer_list<int> bytes) {
        QByteArray block;
        for (int b : bytes)
            block.append(char(b));
        form.Comm1ReceiveData(form.Comm1, block.constData(), uint16_t(block.size()));
    }
    std::vector<double> values(int series) {
        std::vector<double> v;
        const auto data = form.Chart1->graph(series)->data();
        for (auto it = data->constBegin(); it != data->constEnd(); ++it) {
            EXPECT_EQ(it->key, double(v.size())); // X from 0, one per point
            v.push_back(it->value);
        }
        return v;
    }
    QCPRange axis() const { return form.Chart1->yAxis->range(); }
};

using V = std::vector<double>;

} // namespace

TEST_F(ChartWindow, EachModePlotsItsSamples) {
    const struct {
        int mode;
        std::initializer_list<int> block;
        V series1;
    } cases[] = {
        {0, {10, 20, 30}, {10, 20, 30}}, {1, {10, 20, 30}, {10, 20, 30}},
        {3, {1, 2, 3, 4}, {258, 772}},   {3, {5}, {1280}},
        {3, {1, 2, 3}, {258}},           {4, {1, 2}, {258}},
        {5, {255, 255}, {65535}},        {6, {0x0B, 0xB8}, {3000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        form.ComboBox6->setCurrentIndex(c.mode);
        receive(c.block);
        EXPECT_EQ(values(0), c.series1);
    }
}

TEST_F(ChartWindow, ModeTwoDealsBytesOverSeries) {
    const struct {
        int clicksN, clicksS;
        std::vector<V> series;
    } cases[] = {
        {0, 2, {{1, 4}, {2, 5}, {3}, {}, {}, {}, {}, {}}},     // N1 S3
        {1, 1, {{1, 2, 5}, {3, 4}, {}, {}, {}, {}, {}, {}}},   // N2 S2
        {0, 0, {{1, 2, 3, 4, 5}, {}, {}, {}, {}, {}, {}, {}}}, // N1 S1
    };
    form.ComboBox6->setCurrentIndex(2);
    for (const auto& c : cases) {
        form.cxButton1->setText("N1");
        form.cxButton2->setText("S1");
        for (int i = 0; i < c.clicksN; ++i)
            form.cxButton1->click();
        for (int i = 0; i < c.clicksS; ++i)
            form.cxButton2->click();
        receive({1, 2, 3, 4, 5});
        for (int s = 0; s < 8; ++s)
            EXPECT_EQ(values(s), c.series[size_t(s)]) << "Series" << s + 1;
        EXPECT_EQ(axis(), QCPRange(0, 255));
    }
}

TEST_F(ChartWindow, SeriesNotFedKeepTheirPoints) {
    form.ComboBox6->setCurrentIndex(2);
    form.cxButton2->setText("S3");
    receive({1, 2, 3, 4, 5});
    form.ComboBox6->setCurrentIndex(0);
    receive({9});
    EXPECT_EQ(values(0), V{9});
    EXPECT_EQ(values(1), (V{2, 5}));
    EXPECT_EQ(values(2), V{3});
}

TEST_F(ChartWindow, LeftAxisPerMode) {
    const struct {
        int mode;
        const char *edit1, *edit2;
        QCPRange range;
    } cases[] = {
        {1, "300", "100", {100, 300}},
        {1, "12a", "100", {0, 255}},
        {4, "7", "", {0, 65535}},
        {4, "5", "5", {4.5, 5.5}}, // the chart has no zero-width range
        {1, "99999999999", "1", {0, 255}},
        {2, "", "", {0, 255}},
        {5, "", "", {0, 65535}},
        {6, "", "", {0, 3000}},
        // After a fixed 0..255, a range wholly above it is taken at once.
        {1, "300", "400", {300, 400}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        form.ComboBox6->setCurrentIndex(c.mode);
        form.Edit1->setText(c.edit1);
        form.Edit2->setText(c.edit2);
        receive({1, 2});
        EXPECT_EQ(axis().lower, c.range.lower);
        EXPECT_EQ(axis().upper, c.range.upper);
    }
}

TEST_F(ChartWindow, AutomaticModesFitThePoints) {
    form.ComboBox6->setCurrentIndex(0);
    receive({10, 20, 30});
    EXPECT_LE(axis().lower, 10);
    EXPECT_GE(axis().upper, 30);
    EXPECT_GT(axis().lower, 0);
    EXPECT_LT(axis().upper, 255);
}

TEST_F(ChartWindow, NoPlotLeavesTheChartAloneButShowsTheBlock) {
    form.ComboBox6->setCurrentIndex(0);
    receive({10, 20});
    form.Button6->setText("COM-16");
    for (int mode : {7, -1}) {
        form.ComboBox6->setCurrentIndex(mode);
        const QCPRange before = axis();
        receive({1, 2, 3});
        EXPECT_EQ(values(0), (V{10, 20}));
        EXPECT_EQ(axis(), before);
        EXPECT_EQ(form.Edit5->text(), "010203");
    }
}

TEST_F(ChartWindow, ChartButtonsCycleWithoutABeep) {
    const int before = BeepCount();
    for (int i = 0; i < 8; ++i)
        form.cxButton1->click();
    EXPECT_EQ(form.cxButton1->text(), "N1");
    form.cxButton2->click();
    EXPECT_EQ(form.cxButton2->text(), "S2");
    EXPECT_EQ(BeepCount(), before);
    EXPECT_EQ(values(0), V{});
}
