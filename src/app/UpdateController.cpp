#include "app/UpdateController.h"

#include "firmware/FirmwareLoader.h"
#include "protocol/UpdateWorker.h"
#include "state/Texts.h"

namespace quillon {

std::string PercentText(int percent) {
    return std::to_string(percent) + "%";
}

UpdateController::~UpdateController() {
    WaitForRun();
}

int UpdateController::WaitForRun() {
    if (worker_.joinable()) worker_.join();
    return exitCode_;
}

bool UpdateController::StartUpdate() {
    SharedState& st = s_.st;
    if (st.g_bBusy != 0 || st.g_bProgressActive != 0) return false;
    // The worker that cleared g_bBusy last may still be on its way out.
    if (worker_.joinable()) worker_.join();
    if (beforeLoad_) beforeLoad_();
    st.phases.Begin(s_.hid.NowMs());
    decision_ = {};
    if (FirmwareLoader(st, s_.op, s_.files).LoadFirmwareFile() ||
        (gate_ != nullptr && gate_->Refuses(st, s_.op, &decision_))) {
        st.phases.End(RunEnd::kFileRefused, s_.hid.NowMs());
        return false;
    }
    st.g_bBusy = 1;
    view_.EnableControls(false);
    view_.SetBarPosition(0);
    st.g_strPercentText = text::kZeroPercent;
    view_.SetPercentLabel(st.g_strPercentText);
    exitCode_ = -1;
    if (starting_) starting_();
    worker_ = std::thread([this] {
        exitCode_ = UpdateWorker(s_).UpdateThreadProc();
        if (ending_) ending_();
    });
    return true;
}

void UpdateController::Tick() {
    SharedState& st = s_.st;
    if (st.g_bProgressActive == 1) {
        if (st.g_progressPercent == 0) view_.SetBarPosition(0);
        if (st.g_progressPercent >= 100) {
            st.g_progressPercent = 100;
            view_.SetBarPosition(100);
            st.g_bProgressActive = 0;
            st.g_strPercentText = PercentText(st.g_progressPercent);
            view_.SetPercentLabel(st.g_strPercentText);
        }
        const std::int32_t step = st.g_progressStep;
        if (st.g_progressAccum >= step) {
            st.g_progressAccum.fetch_sub(step);
            const std::int32_t percent = ++st.g_progressPercent;
            view_.StepBar();
            if (percent > 100) {
                st.g_progressPercent = 100;
                view_.SetBarPosition(100);
                st.g_bProgressActive = 0;
            }
            // The label follows the bar just stepped, not a value the worker may have set since.
            st.g_strPercentText = PercentText(percent > 100 ? 100 : percent);
            view_.SetPercentLabel(st.g_strPercentText);
        }
    }
    if (st.g_bBusy == 0) view_.EnableControls(true);
}

}  // namespace quillon
