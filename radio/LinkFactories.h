// The link kinds RadioOpen chooses from. Each returns null with the reason
// in failure when it cannot open.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "radio/RadioLink.h"

namespace pendrak {

std::unique_ptr<IRadioLink> OpenUsbLink(std::string& failure);
std::unique_ptr<IRadioLink> OpenSimLink(const std::string& path, std::string& failure);
std::unique_ptr<IRadioLink> OpenTcpLink(const std::string& host, uint16_t port, std::string& failure);

}  // namespace pendrak
