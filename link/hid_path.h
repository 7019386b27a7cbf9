#pragma once
// Interface paths: "<node path>?vid_1a2b&pid_5055&mi_01&col04". The markers
// are those the device catalogue's path parsers look for; a node with a
// single top-level collection has no "&col" part (collection number 0).

#include <cstdint>
#include <string>
#include <string_view>

std::string MakeInterfacePath(const std::string& nodePath, uint16_t vendorId, uint16_t productId,
                              uint32_t interfaceNumber, uint32_t collectionNumber);

// The node path in front of the last '?' (the whole text when there is none).
// The node path may itself hold a '?' (a bus folder the user named so).
std::string NodePathOf(const std::string& interfacePath);

// The identity part behind the last '?' ("vid_1a2b&pid_5055&mi_01&col04"),
// the whole text when there is none (a path of another form).
std::string_view IdentityPartOf(std::string_view interfacePath);

// The hexadecimal number after the first occurrence of marker in the path's
// identity part, found without regard to case; 0 when the marker is missing
// or no digit follows. Only the identity part is searched, so a node path
// whose folder names hold "vid_", "&mi_" and the like changes nothing.
uint32_t ParseHexAfter(std::string_view path, std::string_view marker);
