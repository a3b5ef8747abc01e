// libFuzzer target for the byte store: the input chooses a chunk length, the
// initial file content and a sequence of operations (the same kinds as the
// randomised test: insert, remove, replace, read with any slot, find, walk,
// and edits under a small allocation budget). After every operation the store
// must equal a plain vector model and keep its invariants; any difference
// traps so that libFuzzer keeps the input.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>

#include "StoreModel.h"

using namespace hx;
using namespace hx::test;

namespace {

void Require(bool ok, const char *what, const std::string &why = {}) {
    if (ok) return;
    std::fprintf(stderr, "byte store differs from the model: %s %s\n", what, why.c_str());
    __builtin_trap();
}

// Positions and lengths near the document, with the odd extreme value.
int64_t Near(FuzzedDataProvider &in, int64_t size) {
    switch (in.ConsumeIntegralInRange<int>(0, 15)) {
    case 0: return INT64_MIN;
    case 1: return INT64_MAX;
    case 2: return -in.ConsumeIntegralInRange<int64_t>(1, size + 4);
    default: return in.ConsumeIntegralInRange<int64_t>(0, size + 3);
    }
}

void CheckAll(const Binary &s, const StoreModel &model, const char *op) {
    std::string why;
    Require(CheckInvariants(s, &why), op, why);
    Require(s.Length == model.size(), op, "length");
    Require(StoreBytes(s) == model.bytes, op, "bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int64_t L = in.ConsumeIntegralInRange<int64_t>(1, 64);
    const Bytes initial = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 512));
    TempFile file(initial);
    Binary *store = OpenBinary(-1, file.path(), L);
    Require(store != nullptr, "open");
    StoreModel model;
    model.bytes = initial;
    CheckAll(*store, model, "open");

    for (int steps = 0; steps < 200 && in.remaining_bytes() > 0; ++steps) {
        const int op = in.ConsumeIntegralInRange<int>(0, 5);
        const bool starve = in.ConsumeIntegralInRange<int>(0, 7) == 0;
        const int64_t p = Near(in, model.size());
        const int64_t n = Near(in, std::max<int64_t>(model.size(), 3 * L));
        if (op <= 2) {
            // Edits: new bytes come from the input, at most a few chunks' worth.
            const Bytes src = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 5 * L));
            const uint8_t *source = src.empty() ? nullptr : src.data();
            const Bytes beforeBytes = model.bytes;
            const auto beforeLayout = ChunkLengths(*store);
            if (starve) ByteBufferFaults::Budget = in.ConsumeIntegralInRange<int64_t>(0, 3);
            int result = BinaryOk;
            if (op == 0) result = InsertBinary(store, p, source, static_cast<int64_t>(src.size()));
            else if (op == 1) result = RemoveBinary(store, p, n);
            else result = ReplaceBinary(store, p, n, source, static_cast<int64_t>(src.size()));
            ByteBufferFaults::Budget = -1;
            if (result == BinaryNoMemory) {
                Require(starve, "out of memory without a budget");
                Require(ChunkLengths(*store) == beforeLayout, "failed edit changed the chunks");
                CheckAll(*store, model, "failed edit");
                continue;
            }
            Require(result == BinaryOk, "edit result");
            if (op == 0) model.insert(p, source, static_cast<int64_t>(src.size()));
            else if (op == 1) model.remove(p, n);
            else model.replace(p, n, source, static_cast<int64_t>(src.size()));
            CheckAll(*store, model, "edit");
        } else if (op == 3) {
            const int slot = in.ConsumeIntegralInRange<int>(-1, 32);
            const int64_t len = in.ConsumeBool() ? -1 : n;
            ByteBuffer got = ReadBinary(store, p, len, slot);
            const Bytes expected = (slot < 0 || slot > 31) ? Bytes{} : model.read(p, len);
            Require(got.valid() == !expected.empty(), "read validity");
            Require(!got.valid() || Bytes(got.data(), got.data() + got.size()) == expected, "read bytes");
        } else if (op == 4) {
            Bytes pattern = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(1, 3 * L + 2));
            if (in.ConsumeBool() && model.size() > 0) {   // a pattern that occurs
                const int64_t at = in.ConsumeIntegralInRange<int64_t>(0, model.size() - 1);
                const int64_t k = in.ConsumeIntegralInRange<int64_t>(1, model.size() - at);
                pattern.assign(model.bytes.begin() + at, model.bytes.begin() + at + k);
            }
            if (pattern.empty()) continue;
            const int64_t k = static_cast<int64_t>(pattern.size());
            Require(FindBinary(store, pattern.data(), k, p) == model.find(pattern.data(), k, p), "find");
        } else {
            const Bytes expected = model.walk(p, n);
            ExamineBinary(store, p, n);
            Bytes got;
            while (NextBinaryBlock(store))
                got.insert(got.end(), BinaryBlockBuffer(store),
                           BinaryBlockBuffer(store) + BinaryBlockLength(store));
            Require(!BinaryWalkFailed(store) && got == expected, "walk");
        }
        CheckAll(*store, model, "step");
    }
    FreeBinary(store);
    return 0;
}
