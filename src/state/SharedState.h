// The process-wide working state: one instance per process (tests make their own), each variable
// under its name with its start value. Owners: firmware loader, discovery, transport, worker,
// dialog.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "state/Handles.h"
#include "state/IdentifierTable.h"
#include "state/RunPhase.h"

namespace quillon {

struct ModelProfile;  // the firmware layer's row of one model

inline constexpr std::size_t kFileBufferSize = 16u * 1024u * 1024u;
inline constexpr std::size_t kMinReportSize = 64;

// The interface detail record of the candidate that discovery is examining.
struct InterfaceDetail {
    std::string devicePath;
};

// Frees the file buffer, which is taken with calloc so that untouched pages cost nothing.
struct FreeDeleter {
    void operator()(std::uint8_t* p) const noexcept;
};

struct SharedState : IdentifierTable {
    SharedState();
    SharedState(const SharedState&) = delete;
    SharedState& operator=(const SharedState&) = delete;

    // Firmware image.
    std::unique_ptr<std::uint8_t[], FreeDeleter>
        g_fileBuffer;  // kFileBufferSize bytes, one area, zeroed
    std::string g_strFirmwarePath;
    std::uint32_t g_fwType = 0;
    std::uint8_t g_fwStorage = 0;
    std::uint32_t g_fwStartAddress = 0;
    std::uint32_t g_fwSkipFinal = 0;
    std::uint32_t g_fwFinalArg = 0;
    std::uint32_t g_fwModel = 0;
    std::uint32_t g_fwModelCode = 0;
    // The row of the accepted file's model code, resolved once by the loader; null until then.
    const ModelProfile* g_pModelProfile = nullptr;
    std::uint8_t g_frameFormat = 0;
    OpcodeTable g_opcodeTable = kStandardOpcodes;
    std::uint32_t g_targetVid = 0x0581, g_targetPid = 0x0115;
    std::uint32_t g_bootVid = 0x0581, g_bootPid = 0x0111;
    // Length of the last accepted file; the programming sequence insists on re-reading exactly it.
    std::uint32_t g_cbValidatedFile = 0;

    // Device link.
    Handle g_hProbe = kInvalidHandle;
    Handle g_hDevInfo = kInvalidHandle;
    Handle g_hHeldDevice = kInvalidHandle;
    std::uint8_t g_bDeviceFound = 0;
    std::uint32_t g_cbDetail = 0;
    std::unique_ptr<InterfaceDetail> g_pDetail;
    std::array<std::uint8_t, 16> g_HidGuid{};
    HidCaps g_HidCaps{};
    Overlapped g_Overlapped{};
    std::string g_strDevicePath;

    // Report buffers: at least 64 bytes and at least the chosen device's report lengths.
    std::vector<std::uint8_t> g_outReport;
    std::vector<std::uint8_t> g_inReport;

    // Run and progress, shared by the worker and the dialog's timer.
    std::atomic<std::uint8_t> g_bBusy{0};
    std::atomic<std::uint8_t> g_bProgressActive{0};
    std::atomic<std::int32_t> g_progressStep{0};
    std::atomic<std::int32_t> g_progressAccum{0};
    std::atomic<std::int32_t> g_progressPercent{0};
    std::uint8_t g_bSkipChunkVerify = 0;
    // What the run is doing, for the front ends that show more than the progress bar.
    PhaseChannel phases;

    // Dialog.
    std::uint8_t g_bReadBackVerify = 0;
    std::string g_strPercentText;

    // Records new capabilities and grows the report buffers to hold whole reports of them.
    void SetHidCaps(const HidCaps& caps);
};

}  // namespace quillon
