#pragma once

#include <string>

// Addresses for checking who connects to the data port that active mode opens.
namespace mobrel::ftp {

// The numeric address of the peer of a connected socket ("" when it cannot be told); an
// IPv4 address mapped into IPv6 is given as IPv4.
std::string peerAddressOf(int socket);

// A numeric IPv4 or IPv6 address in the form peerAddressOf gives ("" when it is none).
std::string canonicalAddress(const std::string& numericAddress);

}  // namespace mobrel::ftp
