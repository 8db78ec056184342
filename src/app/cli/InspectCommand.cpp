// quillon inspect: validates a ".fw" file with the update's own loader and shows what it implies.
#include <cstdio>
#include <mutex>
#include <string>

#include "app/ExitCodes.h"
#include "app/PolicyGate.h"
#include "app/cli/Commands.h"
#include "app/cli/StorageNotice.h"
#include "app/cli/TerminalOperator.h"
#include "app/schema/Documents.h"
#include "app/schema/JsonLines.h"
#include "app/schema/RunObjects.h"
#include "firmware/FirmwareHeader.h"
#include "firmware/FirmwareLoader.h"
#include "firmware/ModelProfile.h"
#include "firmware/signature/MinisignSignature.h"
#include "protocol/DeviceDiscovery.h"
#include "state/CollectingOperator.h"

namespace quillon::cli {

namespace {

const char* FrameFormatName(std::uint8_t f) {
    switch (f) {
        case FRAME_CRC:
            return "FRAME_CRC";
        case FRAME_CRC_LEN16:
            return "FRAME_CRC_LEN16";
        default:
            return "FRAME_XOR";
    }
}

const char* StorageName(std::uint8_t s) {
    switch (s) {
        case 0:
            return "MCU flash";
        case 1:
            return "SPI flash";
        default:
            return "none (nothing is programmed)";
    }
}

const char* ApproachText(Approach a) {
    switch (a) {
        case Approach::kTakeHeld:
        case Approach::kTake:
            return "taken as it is";
        case Approach::kSwitchAfterQuery:
            return "identified, then told to switch into its boot loader";
        case Approach::kSwitchWithoutQuery:
            return "told to switch into its boot loader";
        case Approach::kIdentify:
            return "identified";
    }
    return "";
}

std::uint32_t BlockSize(const SharedState& st) {
    return st.g_fwStorage == 1 ? 4096 : LoadedProfile(st).blockSize;
}

// What a run of the file does about the boot loader, in a line that fits 80 columns.
std::string BootSwitchText(const SharedState& st, SwitchBy by) {
    switch (by) {
        case SwitchBy::kWorker:
            return "yes: identified, then switched and waited for";
        case SwitchBy::kDiscovery:
            return "yes: a device found in its application is switched";
        case SwitchBy::kNone:
            break;
    }
    // The worker's boot switch then only identifies the device, which must run its application.
    if (!LoadedProfile(st).bootSwitch.runs) return "no";
    return st.g_fwStorage == 1 ? "no: an SPI image is written while the application runs"
                               : "no: a type-0 file is written while the application runs";
}

void PrintIdentities(const char* label, const std::vector<LookedFor>& ids) {
    for (std::size_t i = 0; i < ids.size(); ++i) {
        std::printf("%-17s%s  %s\n", i == 0 ? label : "",
                    schema::UsbId(ids[i].vid, ids[i].pid).c_str(), ApproachText(ids[i].approach));
    }
}

void PrintDescription(const SharedState& st) {
    const std::uint8_t* h = st.g_fileBuffer.get();
    const std::uint32_t imageLength = st.g_cbValidatedFile - kHeaderSize;
    std::printf("file:            %s\n", st.g_strFirmwarePath.c_str());
    std::printf("data length:     %u\n", ReadLe32(h + header::kDataLength));
    std::printf("checksum:        0x%08X\n", ReadLe32(h + header::kChecksum));
    std::printf("type:            %u\n", st.g_fwType);
    std::printf("storage:         %u (%s)\n", st.g_fwStorage, StorageName(st.g_fwStorage));
    std::printf("start address:   0x%08X\n", st.g_fwStartAddress);
    std::printf("skip-final flag: %u\n", st.g_fwSkipFinal);
    std::printf("final argument:  0x%08X%s\n", st.g_fwFinalArg,
                st.g_fwSkipFinal == 0 ? "" : " (not sent)");
    std::printf("model:           0x%08X (code %u)\n", st.g_fwModel, st.g_fwModelCode);
    const SearchPlan plan = PlanSearch(st);
    PrintIdentities("looks for:", plan.beforeSwitch);
    PrintIdentities("after switch:", plan.afterSwitch);
    std::printf("opcode set:      %s (", st.g_opcodeTable[0] == 0x37 ? "standard" : "alternate");
    for (std::size_t i = 0; i < st.g_opcodeTable.size(); ++i) {
        std::printf(i == 0 ? "%02X" : " %02X", st.g_opcodeTable[i]);
    }
    std::printf(")\n");
    std::printf("frame format:    %u (%s)\n", st.g_frameFormat, FrameFormatName(st.g_frameFormat));
    std::printf("boot switch:     %s\n", BootSwitchText(st, plan.switchBy).c_str());
    std::printf("model check:     %s\n", LoadedProfile(st).modelCheck ? "yes" : "no");
    std::printf("image length:    %u\n", imageLength);
    std::printf("block size:      %u%s\n", BlockSize(st),
                st.g_fwStorage == 1 ? " (SPI sectors)" : "");
}

// The file's signature as the policy in force sees it (with no policy no key is trusted, so a
// signature can be read but not verified).
signature::SignatureCheck SignatureOf(const SharedState& st, const PolicyGate* gate) {
    using namespace signature;
    const std::vector<MinisignKey> none;
    return CheckSignature(st.g_fileBuffer.get(), st.g_cbValidatedFile,
                          ReadSmallFile(SignaturePath(st.g_strFirmwarePath), kMaxSignatureFile),
                          gate != nullptr ? gate->Loaded().policy.trustedKeys : none);
}

const char* StateName(signature::SignatureState state) {
    switch (state) {
        case signature::SignatureState::kGood:
            return "good";
        case signature::SignatureState::kBad:
            return "bad";
        case signature::SignatureState::kUntrusted:
            return "untrusted";
        case signature::SignatureState::kNone:
            break;
    }
    return "none";
}

std::string SignatureText(const signature::SignatureCheck& c, bool policy) {
    const std::string mode = c.prehashed ? "prehashed" : "legacy";
    switch (c.state) {
        case signature::SignatureState::kGood:
            return "good: key " + c.keyId + ", model " + std::to_string(c.claim->model) +
                   ", version " + c.claim->version.Text() + " (" + mode + ")";
        case signature::SignatureState::kBad:
            return "bad: " + c.why;
        case signature::SignatureState::kUntrusted:
            return "by key " + c.keyId + " (" + mode + "), " +
                   (policy ? "which the policy does not trust" : "not verified: no policy");
        case signature::SignatureState::kNone:
            break;
    }
    return "none";
}

void PrintTrust(const signature::SignatureCheck& sig, const PolicyGate* gate,
                const signature::Decision& d) {
    std::printf("signature:       %s\n", SignatureText(sig, gate != nullptr).c_str());
    if (gate == nullptr) {
        std::printf("policy:          none\n");
    } else {
        std::printf("policy:          %s (%s)\n",
                    d.Allowed() ? "allows the file" : ("refuses it: " + d.reason).c_str(),
                    gate->Loaded().path.c_str());
    }
}

// The signature and the policy's decision, beside the header's facts.
void AddTrust(schema::InspectedFile& f, const signature::SignatureCheck& sig,
              const PolicyGate* gate, const signature::Decision& d) {
    f.signature = StateName(sig.state);
    f.keyId = sig.keyId;
    f.prehashed = sig.prehashed;
    if (sig.claim) {
        f.signedModel = sig.claim->model;
        f.firmwareVersion = sig.claim->version.Text();
    }
    f.signatureWhy = sig.why;
    if (gate == nullptr) return;
    f.policy = gate->Loaded().path;
    f.policyAllows = d.Allowed();
    f.policyReason = d.reason;
}

std::vector<schema::Identity> Identities(const std::vector<LookedFor>& ids) {
    std::vector<schema::Identity> out;
    for (const LookedFor& id : ids) out.push_back({id.vid, id.pid, ApproachText(id.approach)});
    return out;
}

schema::JsonObject Document(const SharedState& st, const PolicyGate* gate,
                            const signature::Decision& d) {
    const std::uint8_t* h = st.g_fileBuffer.get();
    const SearchPlan plan = PlanSearch(st);
    schema::InspectedFile f;
    f.file = st.g_strFirmwarePath;
    f.dataLength = ReadLe32(h + header::kDataLength);
    f.checksum = ReadLe32(h + header::kChecksum);
    f.fileType = st.g_fwType;
    f.storage = st.g_fwStorage;
    f.startAddress = st.g_fwStartAddress;
    f.skipFinal = st.g_fwSkipFinal;
    f.finalArgument = st.g_fwFinalArg;
    f.model = st.g_fwModel;
    f.modelCode = st.g_fwModelCode;
    f.looksFor = Identities(plan.beforeSwitch);
    f.afterSwitch = Identities(plan.afterSwitch);
    f.opcodes.assign(st.g_opcodeTable.begin(), st.g_opcodeTable.end());
    f.frameFormat = st.g_frameFormat;
    f.bootSwitch = plan.switchBy != SwitchBy::kNone;
    f.modelCheck = LoadedProfile(st).modelCheck;
    f.imageLength = st.g_cbValidatedFile - kHeaderSize;
    f.blockSize = BlockSize(st);
    AddTrust(f, SignatureOf(st, gate), gate, d);
    return schema::InspectDocument(f);
}

class Inspect : public Command {
  public:
    explicit Inspect(CLI::App& app)
        : Command(app.add_subcommand("inspect", "check a \".fw\" file and show what it implies")) {
        sub_->footer(
            "Checks FILE exactly as an update would. When it is accepted, prints its header\n"
            "fields and what follows from its model: the USB identities the update looks for,\n"
            "in the order it tries them, before a switch into the boot loader and after it.\n"
            "When it is refused, prints the refusal text alone on its line. With --json it\n"
            "prints one JSON document instead.\n"
            "\n"
            "It also shows the file's signature (FILE.minisig beside it) and what the update\n"
            "policy in force (--policy, else the system's if there is one) decides of it.\n"
            "\n"
            "Exit codes: 0 accepted; 2 the command line or the policy cannot be used; 3 the\n"
            "file was refused, by its checks or by the policy (a file that cannot be read,\n"
            "or the policy's reason, is told on standard error).");
        sub_->add_option("FILE", file_, "the firmware file")->required();
        sub_->add_flag("--json", json_, "one JSON document on standard output");
        AddPolicy(policyPath_);
    }

    int Run() override {
        std::string error;
        const std::unique_ptr<PolicyGate> gate = PolicyInForce(policyPath_, error);
        if (!error.empty()) return Fail(kExitUsage, error, json_);
        std::mutex lock;
        auto state = std::make_unique<SharedState>();
        StdFileSystem files;
        // The whole file is kept: its signature is over every byte.
        if (json_) {
            CollectingOperator op(file_);
            const bool refused = FirmwareLoader(*state, op, files).LoadFirmwareFile();
            signature::Decision d;
            if (!refused) d = Judge(*state, gate.get());
            const schema::JsonObject doc =
                refused ? schema::InspectRefusal(file_,
                                                 op.Messages().empty() ? "" : op.Messages().front(),
                                                 TellReason(state->phases.Snapshot().reason))
                        : Document(*state, gate.get(), d);
            schema::JsonLines(stdout, lock).Write(doc);
            if (!refused && !d.Allowed()) TellReason(d.reason);
            return refused || !d.Allowed() ? kExitFileRefused : kExitOk;
        }
        TerminalOperator op(file_);
        if (FirmwareLoader(*state, op, files).LoadFirmwareFile()) {
            TellReason(state->phases.Snapshot().reason);
            return kExitFileRefused;
        }
        PrintDescription(*state);
        const signature::Decision d = Judge(*state, gate.get());
        PrintTrust(SignatureOf(*state, gate.get()), gate.get(), d);
        const std::string notice = StorageNotice(state->g_fwStorage);
        if (!notice.empty()) std::fprintf(stderr, "quillon inspect: %s\n", notice.c_str());
        if (d.Allowed()) return kExitOk;
        TellReason(d.reason);
        return kExitFileRefused;
    }

  private:
    // Why a file cannot be used, when that is known, on standard error; the reason.
    static std::string TellReason(const std::string& reason) {
        if (!reason.empty()) std::fprintf(stderr, "quillon inspect: %s\n", reason.c_str());
        return reason;
    }

    // What the policy in force would decide of the accepted file (no policy allows it).
    static signature::Decision Judge(const SharedState& st, PolicyGate* gate) {
        return gate != nullptr ? gate->Judge(st) : signature::Decision{};
    }

    std::string file_;
    std::string policyPath_;
    bool json_ = false;
};

}  // namespace

std::unique_ptr<Command> DefineInspect(CLI::App& app) {
    return std::make_unique<Inspect>(app);
}

}  // namespace quillon::cli
