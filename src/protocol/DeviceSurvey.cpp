#include "protocol/DeviceSurvey.h"

#include <algorithm>
#include <memory>
#include <set>

#include "firmware/ModelProfile.h"
#include "protocol/Receiver.h"
#include "state/CollectingOperator.h"

namespace quillon {

namespace {

// A model whose devices show an identity, and the mode that identity means for it (kUnknown: the
// same identity in both modes).
struct Candidate {
    const ModelProfile& row;
    DeviceMode mode;
};

bool IsApplicationIdentity(const IdentifierTable& ids, std::uint32_t vid, std::uint32_t pid) {
    return (vid == ids.g_appVid &&
            (pid == ids.g_appPid1 || pid == ids.g_appPid2 || pid == ids.g_appPid3)) ||
           (vid == ids.kAltVid && pid == ids.kAltPid);
}

// The models that may be behind an identity, in the model table's order; none for an identity
// outside the family.
std::vector<Candidate> CandidatesFor(const IdentifierTable& ids, std::uint32_t vid,
                                     std::uint32_t pid) {
    std::vector<Candidate> out;
    const bool application = IsApplicationIdentity(ids, vid, pid);
    for (const ModelProfile& row : AllModelProfiles()) {
        const bool typeOneTarget = vid == row.type1Target.vid && pid == row.type1Target.pid;
        if (row.type1SetsBootPair) {
            // Its boot loader has an identity of its own, its application one of the family's.
            if (typeOneTarget) out.push_back({row, DeviceMode::kBootLoader});
            if (application) out.push_back({row, DeviceMode::kApplication});
        } else if (typeOneTarget) {
            out.push_back({row, DeviceMode::kUnknown});
        }
    }
    return out;
}

// The scratch state set as a file of this model sets it, so that the queries are framed the way
// its devices read them.
void SpeakAs(SharedState& st, const ModelProfile& row) {
    st.g_fwModel = row.code;
    st.g_fwModelCode = row.code;
    st.g_pModelProfile = &row;
    st.g_opcodeTable = row.opcodes;
    st.g_frameFormat = row.frameFormat;
}

bool SameFraming(const ModelProfile& a, const ModelProfile& b) {
    return a.frameFormat == b.frameFormat && a.opcodes == b.opcodes;
}

// What mode the identity alone tells: the one all candidates agree on.
DeviceMode ModeOfIdentity(const std::vector<Candidate>& candidates) {
    DeviceMode mode = candidates.front().mode;
    for (const Candidate& c : candidates) {
        if (c.mode != mode) return DeviceMode::kUnknown;
    }
    return mode;
}

class Surveyor {
  public:
    explicit Surveyor(HidPlatform& hid) : services_{*st_, hid, silent_, files_}, rx_(services_) {}

    // Asks the device behind path what it is; the interface's caps set the report lengths.
    void Ask(SurveyedDevice& d, const HidCaps& caps, const std::vector<Candidate>& candidates) {
        st_->SetHidCaps(caps);
        Channel ch = rx_.channel.OpenChannel(d.path);
        const Candidate* speaker = FindFraming(ch, d, candidates);
        d.mode = speaker != nullptr ? speaker->mode : ModeOfIdentity(candidates);
        if (d.mode == DeviceMode::kUnknown && speaker != nullptr) {
            // The identity is the same in both modes: the device says which.
            SpeakAs(*st_, speaker->row);
            const std::uint8_t q = rx_.commands.QueryMode(ch);
            if (q == 1) {
                d.mode = DeviceMode::kApplication;
            } else if (q != kNoAnswer) {
                d.mode = DeviceMode::kBootLoader;
                d.bootLoaderKind = q;
            }
        }
        rx_.channel.CloseChannel(ch);
        if (d.mode == DeviceMode::kBootLoader) d.needs = Needed(d, speaker, candidates);
    }

  private:
    // The first candidate whose framing the device answers QueryModel in (its model then set in
    // d); null when none does. Candidates framed alike are asked once.
    const Candidate* FindFraming(const Channel& ch, SurveyedDevice& d,
                                 const std::vector<Candidate>& candidates) {
        std::vector<const ModelProfile*> tried;
        for (const Candidate& c : candidates) {
            bool asked = false;
            for (const ModelProfile* t : tried) asked |= SameFraming(*t, c.row);
            if (asked) continue;
            tried.push_back(&c.row);
            SpeakAs(*st_, c.row);
            const std::uint32_t model = rx_.commands.QueryModel(ch);
            // A frame the device cannot read comes back with an error status: another framing.
            if (model == kNoModel || st_->g_inReport[2] != 0) continue;
            d.model = model;
            // Of the models framed alike, the one it reports.
            for (const Candidate& same : candidates) {
                if (SameFraming(same.row, c.row) && same.row.code == (model & 0xFFFF)) {
                    return &same;
                }
            }
            return &c;
        }
        return nullptr;
    }

    static std::optional<NeededFile> Needed(const SurveyedDevice& d, const Candidate* speaker,
                                            const std::vector<Candidate>& candidates) {
        const Candidate& c = speaker != nullptr ? *speaker : candidates.front();
        // A boot loader with an identity of its own is looked for by its model's type-1 files.
        if (c.mode == DeviceMode::kBootLoader) return NeededFile{c.row.code, false};
        // Otherwise the boot switch judges: its boot loader kind takes one model's type-1 files;
        // a model without one finds its device under the same identity with either type.
        if (c.row.bootSwitch.runs) {
            for (const ModelProfile& row : AllModelProfiles()) {
                if (row.bootSwitch.hasLoaderKind && d.bootLoaderKind == row.bootSwitch.loaderKind) {
                    return NeededFile{row.code, false};
                }
            }
            return std::nullopt;
        }
        return NeededFile{c.row.code, true};
    }

    std::unique_ptr<SharedState> st_ = std::make_unique<SharedState>();
    CollectingOperator silent_;  // the transport's time-out text is for a run, not a survey
    StdFileSystem files_;        // unused: nothing is read or written
    LinkServices services_;
    Receiver rx_;
};

}  // namespace

bool SurveyDevices(HidPlatform& hid, std::vector<SurveyedDevice>& out,
                   const std::vector<std::string>& ports) {
    const Handle list = hid.OpenInterfaceList();
    if (list == kInvalidHandle) return false;
    struct Found {
        SurveyedDevice device;
        HidCaps caps;
        std::vector<Candidate> candidates;
    };
    std::vector<Found> found;
    std::set<std::string> seen;
    const IdentifierTable ids;
    std::string path;
    for (std::uint32_t i = 0; hid.EnumInterface(list, i, path); ++i) {
        Found f;
        f.device.path = path;
        f.device.port = hid.InterfacePort(list, i);
        if (!f.device.port.empty() && seen.count(f.device.port) != 0) continue;
        if (!ports.empty() && std::find(ports.begin(), ports.end(), f.device.port) == ports.end()) {
            continue;
        }
        const Handle probe = hid.OpenForQuery(path);
        HidAttributes a;
        const bool readable =
            probe != kInvalidHandle && hid.GetAttributes(probe, a) && hid.GetCaps(probe, f.caps);
        hid.CloseHandle(probe);
        if (!readable || IsMouseOrKeyboard(f.caps)) continue;
        f.candidates = CandidatesFor(ids, a.vendorId, a.productId);
        if (f.candidates.empty()) continue;
        f.device.vid = a.vendorId;
        f.device.pid = a.productId;
        if (!f.device.port.empty()) seen.insert(f.device.port);
        found.push_back(std::move(f));
    }
    // The list is released before any device is asked: one that does not answer takes seconds.
    hid.DestroyInterfaceList(list);
    Surveyor surveyor(hid);
    for (Found& f : found) {
        surveyor.Ask(f.device, f.caps, f.candidates);
        out.push_back(std::move(f.device));
    }
    return true;
}

}  // namespace quillon
