#include "platform/registry_store.h"

namespace pallisar {

RegValue RegValue::Dword(uint32_t number) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((number >> (8 * i)) & 0xFF);
    return {RegType::Dword, bytes};
}

uint32_t RegValue::AsDword() const {
    // Little-endian; missing high bytes count as zero.
    uint32_t number = 0;
    for (size_t i = 0; i < 4 && i < data.size(); ++i)
        number |= static_cast<uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
    return number;
}

long RegistryKey::EnumValueData(std::vector<NamedRegValue>& values) {
    std::vector<std::string> names;
    const long result = EnumValues(names);
    if (result != regError::kSuccess) return result;
    std::vector<NamedRegValue> found;
    for (std::string& name : names) {
        RegValue value;
        const long read = QueryValue(name, value);
        if (read == regError::kFileNotFound) continue;
        if (read != regError::kSuccess) return read;
        found.push_back({std::move(name), std::move(value)});
    }
    values = std::move(found);
    return regError::kSuccess;
}

std::string RegistryStore::ErrorText(long code) const {
    switch (code) {
        case regError::kFileNotFound:
            return "The system cannot find the file specified.";
        case regError::kAccessDenied:
            return "Access is denied.";
        case regError::kInvalidParameter:
            return "The parameter is incorrect.";
        default:
            return "Error " + std::to_string(code) + ".";
    }
}

}  // namespace pallisar
