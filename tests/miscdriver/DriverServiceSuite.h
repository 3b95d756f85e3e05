#pragma once
// The suite every driver environment runs (DriverServiceSuite.cpp); an
// executable instantiates it with the environments it can host.

#include <gtest/gtest.h>

#include <memory>

#include "DriverEnvironment.h"
#include "RawChannel.h"

namespace MiscDriverTest {

class DriverServiceTest : public ::testing::TestWithParam<EnvironmentParam> {
protected:
    void SetUp() override;
    void TearDown() override;

    // A channel with the program's handshake done, through `device` (the
    // environment's own when null).
    std::unique_ptr<CRawChannel> OpenChannel(MiscCommon::IMiscDevice* device = nullptr);

    std::unique_ptr<IDriverEnvironment> env;
};

// Failure messages name the environment rather than dumping its bytes.
inline void PrintTo(const EnvironmentParam& param, std::ostream* out)
{
    *out << param.Name;
}

inline std::string EnvironmentName(const ::testing::TestParamInfo<EnvironmentParam>& info)
{
    return info.param.Name;
}

} // namespace MiscDriverTest
