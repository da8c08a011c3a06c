#include "statistics.h"

#include <algorithm>

namespace measure {

Statistics computeStatistics(const LiveSeries& s, int windowSampleCount, float alarmThresholdMa) {
    const int n = std::clamp(windowSampleCount, 0, LiveSeries::kSlots - 1);
    Statistics st;
    st.max = 0.0f;
    st.min = 1000000.0f;
    double sum = 0.0;
    for (int i = 0; i <= n; ++i) {
        const float x = s.readings[std::size_t(i)];
        if (x > st.max) st.max = x;
        if (x < st.min) st.min = x;
        sum += x;
        if (x >= alarmThresholdMa) st.alarm = true;
    }
    st.average = static_cast<float>(sum / double(n + 1));
    return st;
}

}  // namespace measure
