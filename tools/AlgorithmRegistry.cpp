#include "AlgorithmRegistry.h"

#include "Transformations.h"

#include "tools/Fingerprints.h"

namespace hx {

AlgorithmRecord *AlgorithmRegistry::add(const std::string &name) {
    auto record = std::make_unique<AlgorithmRecord>();
    record->Name = name;
    AlgorithmRecord *raw = record.get();
    records_.push_back(std::move(record));
    byName_[name] = raw;
    return raw;
}

const AlgorithmRecord *AlgorithmRegistry::find(const std::string &name) const {
    auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : it->second;
}

void AlgorithmRegistry::clear() {
    byName_.clear();
    records_.clear();
}

AlgorithmRegistry &FingerprintRegistry() {
    static AlgorithmRegistry registry;
    return registry;
}

AlgorithmRegistry &TransformationRegistry() {
    static AlgorithmRegistry registry;
    return registry;
}

void RegisterFingerprint(const std::string &name, FingerprintStart start, FingerprintProcess process,
                         FingerprintFinish finish) {
    AlgorithmRecord *r = FingerprintRegistry().add(name);
    r->StartFingerprint = start;
    r->ProcessFingerprint = process;
    r->FinishFingerprint = finish;
}

void RegisterTransformation(const std::string &name, TransformStart start, TransformProcess process,
                            TransformFinish finish) {
    AlgorithmRecord *r = TransformationRegistry().add(name);
    r->StartTransform = start;
    r->ProcessTransform = process;
    r->FinishTransform = finish;
}

void RegisterBuiltinAlgorithms() {
    FingerprintRegistry().clear();
    TransformationRegistry().clear();
    RegisterBuiltinFingerprints();
    RegisterTransformation("XOr", XorStart, XorProcess, XorFinish);
    RegisterTransformation("AESEncoder", AesStart, AesProcess, AesFinish);
    RegisterTransformation("AESDecoder", AesStart, AesProcess, AesFinish);
    RegisterTransformation("Base64Encoder", Base64EncoderStart, Base64EncoderProcess, Base64EncoderFinish);
    RegisterTransformation("Base64Decoder", Base64DecoderStart, Base64DecoderProcess, Base64DecoderFinish);
}

}  // namespace hx
