// Writes a seed corpus of valid messages for each fuzz target:
//   make_seeds <folder>  ->  <folder>/<target>/<name>
// The driver target's capsules are enciphered with the session its harness
// establishes, which is the same on every run.

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "FuzzSession.h"
#include "MiscWire.h"

namespace {

using FuzzSupport::Bytes;

const char16_t kProduct[] = u"SOFTWARE\\Norvane\\brindle";
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegDword = 4;

bool Write(const std::string& folder, const std::string& target, const std::string& name, const Bytes& bytes)
{
    const std::string path = folder + "/" + target + "/" + name;
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) {
        fprintf(stderr, "make_seeds: cannot write %s\n", path.c_str());
        return false;
    }
    const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    fclose(file);
    return written;
}

Bytes Prefixed(std::initializer_list<uint8_t> head, const Bytes& body)
{
    Bytes out(head);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

uint8_t CapacityFor(uint32_t answerCapacity)
{
    return static_cast<uint8_t>((MiscWire::CapsuleSize(answerCapacity) + 3) / 4);
}

bool DriverSeeds(const std::string& folder)
{
    FuzzSupport::CSessionHarness harness;
    if (!harness.Ready())
        return false;
    const Bytes feature = FuzzSupport::Inner(0, MiscWire::kFuncCall, FuzzSupport::FeatureQuery(), 22);
    const Bytes write =
        FuzzSupport::Inner(0, MiscWire::kFuncRegWrite, FuzzSupport::RegWrite(kProduct, u"GpsOption", 1), 0);
    const Bytes query =
        FuzzSupport::Inner(0, MiscWire::kFuncRegQuery, FuzzSupport::RegQuery(kProduct, u"Port", 79), 79);
    const Bytes lengthQuery =
        FuzzSupport::Inner(0, MiscWire::kFuncRegQuery, FuzzSupport::RegQuery(kProduct, u"Port", 15), 15);
    const Bytes enciphered = FuzzSupport::Capsule(feature, harness.Session().Id, &harness.Session().Cipher);
    Bytes hello(160, 0);
    memcpy(hello.data(), "Ini1", 4);
    hello[4] = 2;
    Bytes close(4);
    MiscWire::StoreLe32(close.data(), harness.Session().Id);
    Bytes anyCode(4);
    MiscWire::StoreLe32(anyCode.data(), MiscDriver::kIoctlCapsule);
    anyCode.insert(anyCode.end(), enciphered.begin(), enciphered.end());

    return Write(folder, "driver", "feature", Prefixed({0x43, 0, CapacityFor(22)}, feature)) &&
           Write(folder, "driver", "feature-busy", Prefixed({0x43, 0x04, CapacityFor(22)}, feature)) &&
           Write(folder, "driver", "feature-inplace", Prefixed({0xC3, 0x10, CapacityFor(22)}, feature)) &&
           Write(folder, "driver", "write", Prefixed({0x43, 0, CapacityFor(0)}, write)) &&
           Write(folder, "driver", "write-payload", Prefixed({0x43, 0x01, CapacityFor(0)}, write)) &&
           Write(folder, "driver", "query", Prefixed({0x43, 0, CapacityFor(79)}, query)) &&
           Write(folder, "driver", "query-magic", Prefixed({0x43, 0x02, CapacityFor(79)}, query)) &&
           Write(folder, "driver", "query-length", Prefixed({0x43, 0, CapacityFor(15)}, lengthQuery)) &&
           Write(folder, "driver", "query-clear", Prefixed({0x44, 0, CapacityFor(79)}, query)) &&
           Write(folder, "driver", "capsule", Prefixed({0x02, 0, CapacityFor(22)}, enciphered)) &&
           Write(folder, "driver", "hello", Prefixed({0x00, 0, 40}, hello)) &&
           Write(folder, "driver", "close", Prefixed({0x01, 0, 0}, close)) &&
           Write(folder, "driver", "code", Prefixed({0x05, 0, CapacityFor(22)}, anyCode));
}

Bytes AnswerPayload(uint32_t length, uint32_t type, const Bytes& data)
{
    Bytes payload(MiscWire::kRegAnswerHeaderSize);
    MiscWire::WriteRegQueryAnswerHeader(payload.data(), length, type);
    payload.insert(payload.end(), data.begin(), data.end());
    return payload;
}

bool WireSeeds(const std::string& folder)
{
    const Bytes write = FuzzSupport::RegWrite(kProduct, u"GpsOption", 1);
    const Bytes query = FuzzSupport::RegQuery(kProduct, u"Port", 79);
    const Bytes inner = FuzzSupport::Inner(3, MiscWire::kFuncRegWrite, write, 0);
    return Write(folder, "wire", "capsule", FuzzSupport::Capsule(inner, 7, nullptr)) &&
           Write(folder, "wire", "inner", inner) && Write(folder, "wire", "regw", write) &&
           Write(folder, "wire", "rgqi", query) &&
           Write(folder, "wire", "rgqo", AnswerPayload(4, kRegDword, {1, 0, 0, 0})) &&
           Write(folder, "wire", "rgqo-short", AnswerPayload(60, kRegSz, {})) &&
           Write(folder, "wire", "packet", FuzzSupport::FeatureQuery());
}

bool AnswerSeeds(const std::string& folder)
{
    BlowfishContext cipher;
    BlowfishInitialize(&cipher, FuzzSupport::kAnswerKey, sizeof(FuzzSupport::kAnswerKey));
    const Bytes port = FuzzSupport::Utf16(u"COM7");
    Bytes feature = FuzzSupport::FeatureQuery();
    feature[12] = 1;
    feature[14] = 1;
    return Write(folder, "answers", "dword",
                 Prefixed({2, 19, 4}, FuzzSupport::Capsule(AnswerPayload(4, kRegDword, {5, 0, 0, 0}), 9, &cipher))) &&
           Write(folder, "answers", "string",
                 Prefixed({2, 79, 64}, FuzzSupport::Capsule(AnswerPayload(10, kRegSz, port), 9, &cipher))) &&
           Write(folder, "answers", "more-data",
                 Prefixed({3, 15, 0}, FuzzSupport::Capsule(AnswerPayload(60, kRegSz, {}), 9, &cipher))) &&
           Write(folder, "answers", "length-query",
                 Prefixed({1, 15, 0}, FuzzSupport::Capsule(AnswerPayload(4, kRegDword, {}), 9, &cipher))) &&
           Write(folder, "answers", "feature", Prefixed({0, 22, 0}, FuzzSupport::Capsule(feature, 9, &cipher)));
}

// A first answer (also with the key derived), the expected proof given back (phase byte with 0x80), and
// the confirmation an authentic driver sends.
bool HandshakeSeeds(const std::string& folder)
{
    BlowfishContext cipher;
    BlowfishInitialize(&cipher, FuzzSupport::kAnswerKey, sizeof(FuzzSupport::kAnswerKey));
    Bytes first(1 + 160);
    first[0] = 0;
    for (size_t i = 1; i < first.size(); ++i)
        first[i] = static_cast<uint8_t>(i * 37);
    Bytes proof(1 + 20, 0x5A);
    proof[0] = 0x81;
    uint32_t left = 0x68747541;  // "Auth"
    uint32_t right = 0x6373694D; // "Misc"
    BlowfishEncipher(&cipher, &left, &right);
    Bytes confirmation(1 + 8);
    confirmation[0] = 2;
    for (int i = 0; i < 4; ++i) {
        confirmation[1 + i] = static_cast<uint8_t>(left >> (8 * i));
        confirmation[5 + i] = static_cast<uint8_t>(right >> (8 * i));
    }
    Bytes firstWithKey = first;
    firstWithKey[0] = 0x40;
    return Write(folder, "handshake", "first", first) && Write(folder, "handshake", "first-key", firstWithKey) &&
           Write(folder, "handshake", "proof", proof) && Write(folder, "handshake", "confirmation", confirmation);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: make_seeds <folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    if (!DriverSeeds(folder) || !WireSeeds(folder) || !AnswerSeeds(folder) || !HandshakeSeeds(folder))
        return 1;
    return 0;
}
