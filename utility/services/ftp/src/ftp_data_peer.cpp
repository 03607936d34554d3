#include "mobrel/ftp_data_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace mobrel::ftp {

namespace {

std::string textOf(int family, const void* address) {
  char text[INET6_ADDRSTRLEN] = {};
  return inet_ntop(family, address, text, sizeof text) != nullptr ? text : "";
}

std::string textOfIpv6(const in6_addr& address) {
  if (IN6_IS_ADDR_V4MAPPED(&address)) return textOf(AF_INET, &address.s6_addr[12]);
  return textOf(AF_INET6, &address);
}

}  // namespace

std::string peerAddressOf(int socket) {
  sockaddr_storage peer{};
  socklen_t size = sizeof peer;
  if (getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &size) != 0) return "";
  if (peer.ss_family == AF_INET) {
    return textOf(AF_INET, &reinterpret_cast<const sockaddr_in*>(&peer)->sin_addr);
  }
  if (peer.ss_family == AF_INET6) {
    return textOfIpv6(reinterpret_cast<const sockaddr_in6*>(&peer)->sin6_addr);
  }
  return "";
}

std::string canonicalAddress(const std::string& numericAddress) {
  in_addr v4{};
  if (inet_pton(AF_INET, numericAddress.c_str(), &v4) == 1) return textOf(AF_INET, &v4);
  in6_addr v6{};
  if (inet_pton(AF_INET6, numericAddress.c_str(), &v6) == 1) return textOfIpv6(v6);
  return "";
}

}  // namespace mobrel::ftp
