#include "app/schema/Documents.h"

#include <cstdio>

#include "app/ExitCodes.h"
#include "app/schema/RunObjects.h"
#include "state/TextCodes.h"

namespace quillon::schema {

namespace {

JsonObject Identities(const std::vector<Identity>& ids) {
    JsonObject list = JsonObject::array();
    for (const Identity& id : ids) {
        JsonObject o;
        o["usb"] = UsbId(id.vid, id.pid);
        o["then"] = id.then;
        list.push_back(o);
    }
    return list;
}

}  // namespace

std::string UsbId(std::uint32_t vid, std::uint32_t pid) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04X:%04X", vid, pid);
    return buf;
}

JsonObject ListDocument(const std::vector<ListedInterface>& found) {
    JsonObject doc = RunObjects().Head("list");
    doc["exit"] = kExitOk;
    doc["outcome"] = OutcomeName(kExitOk);
    doc["interfaces"] = JsonObject::array();
    for (const ListedInterface& i : found) {
        JsonObject o;
        o["path"] = i.path;
        o["port"] = i.port;
        o["queried"] = i.queried;
        if (i.queried) {
            o["usb"] = UsbId(i.vid, i.pid);
            o["usage_page"] = i.usagePage;
            o["usage"] = i.usage;
            o["input"] = i.input;
            o["output"] = i.output;
            o["family"] = i.family;
        }
        doc["interfaces"].push_back(o);
    }
    return doc;
}

JsonObject InspectDocument(const InspectedFile& f) {
    JsonObject doc = RunObjects().Head("inspect");
    doc["exit"] = kExitOk;
    doc["outcome"] = OutcomeName(kExitOk);
    doc["file"] = f.file;
    doc["data_length"] = f.dataLength;
    doc["checksum"] = f.checksum;
    doc["file_type"] = f.fileType;
    doc["storage"] = f.storage;
    doc["start_address"] = f.startAddress;
    doc["skip_final"] = f.skipFinal;
    doc["final_argument"] = f.finalArgument;
    doc["model"] = f.model;
    doc["model_code"] = f.modelCode;
    doc["looks_for"] = Identities(f.looksFor);
    doc["after_switch"] = Identities(f.afterSwitch);
    doc["opcodes"] = f.opcodes;
    doc["frame_format"] = f.frameFormat;
    doc["boot_switch"] = f.bootSwitch;
    doc["model_check"] = f.modelCheck;
    doc["image_length"] = f.imageLength;
    doc["block_size"] = f.blockSize;
    doc["signature"] = f.signature;
    if (!f.keyId.empty()) {
        doc["key_id"] = f.keyId;
        doc["prehashed"] = f.prehashed;
    }
    if (f.signedModel) doc["signed_model"] = *f.signedModel;
    if (!f.firmwareVersion.empty()) doc["firmware_version"] = f.firmwareVersion;
    if (!f.signatureWhy.empty()) doc["signature_why"] = f.signatureWhy;
    if (f.policy.empty()) return doc;
    doc["policy"] = f.policy;
    doc["policy_allows"] = f.policyAllows;
    if (!f.policyAllows) {
        // Refused as an update would refuse it.
        doc["exit"] = kExitFileRefused;
        doc["outcome"] = OutcomeName(kExitFileRefused);
        doc["reason"] = f.policyReason;
    }
    return doc;
}

JsonObject InspectRefusal(const std::string& file, const std::string& text,
                          const std::string& reason) {
    const TextCode code = CodeOfText(text);
    JsonObject doc = RunObjects().Head("inspect");
    doc["exit"] = kExitFileRefused;
    doc["outcome"] = OutcomeName(kExitFileRefused);
    doc["file"] = file;
    doc["text"] = text;
    doc["code"] = code.code;
    doc["meaning"] = code.meaning;
    if (!reason.empty()) doc["reason"] = reason;
    return doc;
}

JsonObject InventoryDocument(const std::vector<SurveyedDevice>& devices, int exitCode) {
    JsonObject doc = RunObjects().Head("inventory");
    doc["exit"] = exitCode;
    doc["devices"] = JsonObject::array();
    for (const SurveyedDevice& d : devices) {
        JsonObject o;
        o["port"] = d.port;
        o["path"] = d.path;
        o["usb"] = UsbId(d.vid, d.pid);
        o["mode"] = d.mode == DeviceMode::kApplication  ? "application"
                    : d.mode == DeviceMode::kBootLoader ? "boot-loader"
                                                        : "unknown";
        if (d.model) o["model"] = *d.model;
        if (d.bootLoaderKind) o["boot_loader_kind"] = *d.bootLoaderKind;
        if (d.needs) {
            o["needs_model"] = d.needs->model;
            o["needs_types"] = d.needs->eitherType ? JsonObject{0, 1} : JsonObject{1};
        }
        doc["devices"].push_back(o);
    }
    return doc;
}

JsonObject LogRecord(const FinishedDevice& d, const Signer& signer) {
    JsonObject o = RunObjects(d.port).Head("log");
    o["time"] = d.time;
    o["model"] = d.model;
    o["file"] = d.file;
    o["sha256"] = d.sha256;
    o["exit"] = d.exitCode;
    o["outcome"] = OutcomeName(d.exitCode);
    o["texts"] = d.texts;
    o["codes"] = JsonObject::array();
    for (const std::string& text : d.texts) o["codes"].push_back(CodeOfText(text).code);
    o["duration_ms"] = d.durationMs;
    o["done"] = d.done;
    if (!signer.keyId.empty()) o["key_id"] = signer.keyId;
    if (!signer.firmwareVersion.empty()) o["firmware_version"] = signer.firmwareVersion;
    return o;
}

}  // namespace quillon::schema
