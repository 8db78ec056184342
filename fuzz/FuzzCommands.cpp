// The command layer fed arbitrary answers: any transfer outcome, status, data and report length.
#include "FuzzInput.h"
#include "firmware/ModelProfile.h"
#include "protocol/Receiver.h"
#include "state/CollectingOperator.h"

namespace {

using namespace quillon;

// Every transfer's outcome and every answer come from the fuzzer's bytes.
class FuzzHid : public HidPlatform {
  public:
    explicit FuzzHid(fuzz::FuzzInput& in) : in_(in) {}
    Handle OpenInterfaceList() override { return kInvalidHandle; }
    bool EnumInterface(Handle, std::uint32_t, std::string&) override { return false; }
    void DestroyInterfaceList(Handle) override {}
    Handle OpenForQuery(const std::string&) override { return 1; }
    Handle OpenSynchronous(const std::string&) override { return 2; }
    Handle OpenOverlapped(const std::string&) override { return 3; }
    bool GetAttributes(Handle, HidAttributes&) override { return false; }
    bool GetCaps(Handle, HidCaps&) override { return false; }
    Handle CreateTransferEvent() override { return 4; }
    void CloseHandle(Handle) override {}
    TransferStart StartWrite(Handle, const std::uint8_t* data, std::size_t len,
                             Overlapped&) override {
        std::uint8_t x = 0;
        for (std::size_t i = 0; i < len; ++i) x ^= data[i];  // touches the whole report
        last = x;
        return Start();
    }
    TransferStart StartRead(Handle, std::uint8_t* data, std::size_t len, Overlapped&) override {
        const TransferStart s = Start();
        in_.Fill(data, len);
        return s;
    }
    WaitOutcome WaitTransfer(Handle, std::uint32_t) override {
        return static_cast<WaitOutcome>(in_.Byte() % 3);
    }
    void CancelTransfer(Handle) override {}
    // Now and then a stale report waits before a write.
    bool TakeQueuedReport(Handle, std::uint8_t* data, std::size_t len) override {
        if (in_.Byte() % 4 != 1) return false;
        in_.Fill(data, len);
        return true;
    }
    void Sleep(std::uint32_t) override {}
    std::uint64_t NowMs() override { return 0; }

    std::uint8_t last = 0;

  private:
    TransferStart Start() { return static_cast<TransferStart>(in_.Byte() % 4); }
    fuzz::FuzzInput& in_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput in(data, size);
    // One state for the process, as in production; the report buffers start small every time.
    static SharedState* state = new SharedState();
    SharedState* st = state;
    st->g_outReport.assign(kMinReportSize, 0);
    st->g_inReport.assign(kMinReportSize, 0);
    // The commands follow the loaded file's row: any row, with any bits above its code.
    const ModelProfiles rows = AllModelProfiles();
    const ModelProfile& row = rows.begin()[in.Byte() % rows.count];
    st->g_pModelProfile = &row;
    st->g_fwModel = (in.U32() & 0xFFFF0000u) | row.code;
    st->g_fwModelCode = row.code;
    st->g_frameFormat = in.Byte() % 3;
    st->g_opcodeTable = st->g_frameFormat == 0 ? kStandardOpcodes : kAlternateOpcodes;
    st->SetHidCaps({in.U16(), in.U16(), static_cast<std::uint16_t>(in.U16() % 600),
                    static_cast<std::uint16_t>(in.U16() % 600)});
    FuzzHid hid(in);
    CollectingOperator op;
    StdFileSystem files;
    LinkServices s{*st, hid, op, files};
    Receiver rx(s);
    const Channel ch{3, 4};
    std::uint8_t buf[64] = {};
    std::uint8_t src[64] = {};
    while (in.Left() > 0) {
        const std::uint64_t count = in.Byte() % 60;  // up to beyond the largest chunk
        const std::uint64_t address = in.U32();
        switch (in.Byte() % 13) {
            case 0:
                rx.commands.EraseFlash(ch, address);
                break;
            case 1:
                rx.commands.ReadFlash(ch, count, address, buf);
                break;
            case 2:
                rx.commands.WriteFlash(ch, count, address, src);
                break;
            case 3:
                rx.commands.WakeModule(ch);
                break;
            case 4:
                rx.commands.JumpTo(ch, address);
                break;
            case 5:
                rx.commands.QueryMode(ch);
                break;
            case 6:
                rx.commands.QueryModel(ch);
                break;
            case 7:
                rx.commands.ReadDeviceInfo(ch, buf);
                break;
            case 8:
                rx.commands.SpiErase(ch, address);
                break;
            case 9:
                rx.commands.SpiRead(ch, count, address, buf);
                break;
            case 10:
                rx.commands.SpiWrite(ch, count, address, src);
                break;
            case 11:
                rx.identification.KindFits(buf);
                break;
            default: {
                st->g_pDetail = std::make_unique<InterfaceDetail>(InterfaceDetail{"x"});
                rx.identification.IdentifyDevice();
                rx.identification.IdentifyAndSwitch(in.Byte() & 1);
                break;
            }
        }
    }
    return 0;
}
