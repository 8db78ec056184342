// The one-document answers of `list` and `inspect`, and the line a station's --log keeps per
// finished device: the facts each command gathers, and the object made of them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/schema/SchemaTable.h"
#include "protocol/DeviceSurvey.h"

namespace quillon::schema {

// "0581:0115": a USB identity wherever an object names one.
std::string UsbId(std::uint32_t vid, std::uint32_t pid);

struct ListedInterface {
    std::string path;
    std::string port;  // "?" where the platform cannot tell
    bool queried = false;
    // When queried:
    std::uint32_t vid = 0, pid = 0, usagePage = 0, usage = 0;
    std::uint32_t input = 0, output = 0;
    bool family = false;
};

JsonObject ListDocument(const std::vector<ListedInterface>& found);

struct Identity {
    std::uint32_t vid = 0, pid = 0;
    std::string then;  // what a run does with a device of this identity
};

// What an accepted file's header says and implies.
struct InspectedFile {
    std::string file;
    std::uint32_t dataLength = 0, checksum = 0, fileType = 0, storage = 0, startAddress = 0,
                  skipFinal = 0, finalArgument = 0, model = 0, modelCode = 0;
    std::vector<Identity> looksFor, afterSwitch;
    std::vector<std::uint8_t> opcodes;
    std::uint32_t frameFormat = 0;
    bool bootSwitch = false, modelCheck = false;
    std::uint32_t imageLength = 0, blockSize = 0;
    // Its signature: "none", "good", "bad" or "untrusted"; the key's id once the signature file
    // could be read, the model and version signed when good, why when bad.
    std::string signature = "none";
    std::string keyId;
    bool prehashed = false;
    std::optional<std::uint32_t> signedModel;
    std::string firmwareVersion, signatureWhy;
    // The update policy in force (its path; empty: none) and whether it lets the file be sent.
    std::string policy;
    bool policyAllows = true;
    std::string policyReason;  // when it does not
};

JsonObject InspectDocument(const InspectedFile& f);
// A refused file: its refusal text with code and meaning, and why it could not be read when it
// could not.
JsonObject InspectRefusal(const std::string& file, const std::string& text,
                          const std::string& reason);

// The one document of status: every device of the family found, how it runs and what reaches
// one waiting in its boot loader.
JsonObject InventoryDocument(const std::vector<SurveyedDevice>& devices, int exitCode);

struct FinishedDevice {
    std::string time;  // UTC, "2026-12-09T18:03:52Z"
    std::string port;
    std::uint32_t model = 0;
    std::string file, sha256;
    int exitCode = 0;
    std::vector<std::string> texts;
    std::uint64_t durationMs = 0, done = 0;
};

// Who signed the file a device was given and as which version, when a policy checked it.
struct Signer {
    std::string keyId, firmwareVersion;
};

JsonObject LogRecord(const FinishedDevice& d, const Signer& signer = {});

}  // namespace quillon::schema
