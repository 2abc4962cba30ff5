#pragma once

// Fast DDS values into the transport's plain records. Private to the transport folder.

#include "middleware/transport/FastDdsPrelude.h"
#include "middleware/transport/SampleInfo.h"

#include <fastdds/dds/subscriber/SampleInfo.hpp>
#include <fastdds/rtps/common/Guid.h>
#include <fastdds/rtps/common/InstanceHandle.h>
#include <fastrtps/types/TypesBase.h>

#include <string>

namespace Quorvel::Transport {

Guid ToGuid(const eprosima::fastrtps::rtps::GUID_t& guid);
InstanceHandle ToHandle(const eprosima::fastrtps::rtps::InstanceHandle_t& handle);
SampleInfo ToSampleInfo(const eprosima::fastdds::dds::SampleInfo& info);
// "RETCODE_PRECONDITION_NOT_MET", ...
std::string ReturnCodeText(const eprosima::fastrtps::types::ReturnCode_t& code);
// Throws std::runtime_error(operation + " failed: " + code text) unless the code is OK.
void CheckReturnCode(const eprosima::fastrtps::types::ReturnCode_t& code, const std::string& operation);

}  // namespace Quorvel::Transport
