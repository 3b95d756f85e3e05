#include "MemoryBackend.h"

#include <string.h>

namespace MiscDriver {

namespace {

constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegDword = 4;

std::u16string Folded(const std::u16string& text)
{
    std::u16string folded = text;
    for (char16_t& unit : folded) {
        if (unit >= u'a' && unit <= u'z')
            unit = static_cast<char16_t>(unit - u'a' + u'A');
    }
    return folded;
}

} // namespace

CMemoryBackend::CMemoryBackend()
{
    _backend.Context = this;
    _backend.WriteDword = &CMemoryBackend::WriteDword;
    _backend.QueryValue = &CMemoryBackend::QueryValue;
    _backend.ReadFault = &CMemoryBackend::ReadFault;
    _backend.ClearFault = &CMemoryBackend::ClearFault;
}

CMemoryBackend::Key CMemoryBackend::MakeKey(const std::u16string& path, const std::u16string& name)
{
    return Key(Folded(path), Folded(name));
}

std::u16string CMemoryBackend::FromText(MiscDriverText text)
{
    std::u16string out;
    for (uint32_t i = 0; i < text.Length; ++i)
        out += static_cast<char16_t>(text.Units[2 * i] | (text.Units[2 * i + 1] << 8));
    return out;
}

void CMemoryBackend::SetValue(const std::u16string& path, const std::u16string& name, uint32_t type,
                              const std::vector<uint8_t>& data)
{
    _values[MakeKey(path, name)] = Value{type, data};
}

void CMemoryBackend::SetDword(const std::u16string& path, const std::u16string& name, uint32_t value)
{
    std::vector<uint8_t> data(4);
    for (int i = 0; i < 4; ++i)
        data[i] = static_cast<uint8_t>(value >> (8 * i));
    SetValue(path, name, kRegDword, data);
}

void CMemoryBackend::SetString(const std::u16string& path, const std::u16string& name, const std::u16string& text)
{
    std::vector<uint8_t> data;
    for (char16_t unit : text) {
        data.push_back(static_cast<uint8_t>(unit));
        data.push_back(static_cast<uint8_t>(unit >> 8));
    }
    data.push_back(0);
    data.push_back(0);
    SetValue(path, name, kRegSz, data);
}

bool CMemoryBackend::GetValue(const std::u16string& path, const std::u16string& name, uint32_t* type,
                              std::vector<uint8_t>* data) const
{
    auto found = _values.find(MakeKey(path, name));
    if (found == _values.end())
        return false;
    if (type != nullptr)
        *type = found->second.Type;
    if (data != nullptr)
        *data = found->second.Data;
    return true;
}

void CMemoryBackend::SetFault(MiscDriverFault fault, uint32_t value)
{
    _faults[fault] = value;
}

void CMemoryBackend::RemoveFault(MiscDriverFault fault)
{
    _faults.erase(fault);
}

bool CMemoryBackend::HasFault(MiscDriverFault fault) const
{
    return _faults.count(fault) != 0;
}

MiscDriverStatus CMemoryBackend::WriteDword(void* context, MiscDriverText path, MiscDriverText name, uint32_t value)
{
    auto* self = static_cast<CMemoryBackend*>(context);
    ++self->Writes;
    self->LastPath = FromText(path);
    self->LastName = FromText(name);
    if (self->RegistryFailure != kStatusSuccess)
        return self->RegistryFailure;
    self->SetDword(self->LastPath, self->LastName, value);
    return kStatusSuccess;
}

MiscDriverStatus CMemoryBackend::QueryValue(void* context, MiscDriverText path, MiscDriverText name, uint32_t* type,
                                            uint32_t* length, uint8_t* data, uint32_t capacity)
{
    auto* self = static_cast<CMemoryBackend*>(context);
    ++self->Queries;
    self->LastPath = FromText(path);
    self->LastName = FromText(name);
    if (self->RegistryFailure != kStatusSuccess)
        return self->RegistryFailure;
    auto found = self->_values.find(MakeKey(self->LastPath, self->LastName));
    if (found == self->_values.end())
        return kStatusNotFound;
    const Value& stored = found->second;
    *type = stored.Type;
    *length = static_cast<uint32_t>(stored.Data.size());
    if (*length <= capacity && *length != 0)
        memcpy(data, stored.Data.data(), *length);
    return kStatusSuccess;
}

bool CMemoryBackend::ReadFault(void* context, MiscDriverFault fault, uint32_t* value)
{
    auto* self = static_cast<CMemoryBackend*>(context);
    auto found = self->_faults.find(fault);
    if (found == self->_faults.end())
        return false;
    *value = found->second;
    return true;
}

void CMemoryBackend::ClearFault(void* context, MiscDriverFault fault)
{
    static_cast<CMemoryBackend*>(context)->_faults.erase(fault);
}

} // namespace MiscDriver
