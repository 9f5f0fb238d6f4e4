// The waveform chart: each block replaces the points of the series its mode
// feeds; the chart is redrawn at most once per pass of the event loop.
#include "terminal/TForm1.h"

#include <qcustomplot.h>

namespace tarvessa {

void TForm1::plotBlock(const char* bytes, size_t length, std::optional<WaveMode> mode,
                       const UserRange& range) {
    const std::optional<AxisBounds> axis = AxisForMode(mode, range);
    if (!axis)
        return; // no plot: the chart keeps its points and its axis

    const int fed = SampleBlock(mode, bytes, length, CaptionNumber(cxButton1->text()),
                                CaptionNumber(cxButton2->text()), waveData_);
    for (int i = 0; i < fed; ++i)
        Chart1->graph(i)->setData(waveData_[i].keys, waveData_[i].values, true);

    // Both bounds at once, so a range wholly above the present one is taken.
    // The chart cannot show a range of width 0 ("5" to "5"): it is centred
    // on its value, one unit wide, instead of being refused.
    if (axis->upper - axis->lower < 1e-9)
        Chart1->yAxis->setRange(axis->lower - 0.5, axis->upper + 0.5);
    else
        Chart1->yAxis->setRange(axis->lower, axis->upper);
    if (axis->automatic)
        Chart1->yAxis->rescale();
    Chart1->xAxis->rescale();
    Chart1->replot(QCustomPlot::rpQueuedReplot);
}

void TForm1::cxButton1Click() {
    cxButton1->setText(NextCycleCaption(cxButton1->text()));
}

void TForm1::cxButton2Click() {
    cxButton2->setText(NextCycleCaption(cxButton2->text()));
}

} // namespace tarvessa
