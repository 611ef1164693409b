// The transport's message texts.
#pragma once

namespace zorapi {

// Socket layer
inline constexpr char16_t RSStackAlreadyCreated[] = u"Stack already created.";
inline constexpr char16_t RSStackClassUndefined[] = u"Stack Class is undefined.";
inline constexpr char16_t RSStackError[] = u"Socket Error # %d\r\n%s";
inline constexpr char16_t RSSetSizeExceeded[] = u"Set Size Exceeded.";
inline constexpr char16_t RSIPVersionUnsupported[] = u"The requested IPVersion / Address family is not supported.";
inline constexpr char16_t RSIPv6Unavailable[] = u"IPv6 unavailable";
inline constexpr char16_t RSCouldNotBindSocket[] = u"Could not bind socket. Address and port are already in use.";
inline constexpr char16_t RSInvalidPortRange[] = u"Invalid Port Range (%d - %d)";
inline constexpr char16_t RSCannotBindRange[] = u"Can not bind in port range (%d - %d)";
inline constexpr char16_t RSCannotSetIPVersionWhenConnected[] = u"Cannot change IPVersion when connected";
inline constexpr char16_t RSWinsockLoadError[] = u"Error on loading Winsock2 library (%s)";
inline constexpr char16_t RSWinsockCallError[] = u"Error on call to Winsock2 library function %s";

// Status texts, in the order of TIdStatus
inline constexpr char16_t RSStatusResolving[] = u"Resolving hostname %s.";
inline constexpr char16_t RSStatusConnecting[] = u"Connecting to %s.";
inline constexpr char16_t RSStatusConnected[] = u"Connected.";
inline constexpr char16_t RSStatusDisconnecting[] = u"Disconnecting.";
inline constexpr char16_t RSStatusDisconnected[] = u"Disconnected.";
inline constexpr char16_t RSStatusText[] = u"%s";

// Buffered connection I/O
inline constexpr char16_t RSConnectionClosedGracefully[] = u"Connection Closed Gracefully.";
inline constexpr char16_t RSReadTimeout[] = u"Read timed out.";
inline constexpr char16_t RSReadLnMaxLineLengthExceeded[] = u"Max line length exceeded.";
inline constexpr char16_t RSNotConnected[] = u"Not Connected";
inline constexpr char16_t RSDisconnected[] = u"Disconnected.";
inline constexpr char16_t RSNoDataToRead[] = u"No data to read.";
inline constexpr char16_t RSDataTooLarge[] = u"Data is too large for stream";
inline constexpr char16_t RSRequiresLargeStream[] = u"Set LargeStream to True to send streams greater than 2GB";
inline constexpr char16_t RSNotEnoughDataInBuffer[] = u"Not enough data in buffer. (%d/%d)";
inline constexpr char16_t RSTooMuchDataInBuffer[] = u"Too much data in buffer.";
inline constexpr char16_t RSBufferMissingTerminator[] = u"Buffer terminator must be specified.";
inline constexpr char16_t RSBufferInvalidStartPos[] = u"Buffer start position is invalid.";

// Connection establishment
inline constexpr char16_t RSAlreadyConnected[] = u"Already connected.";
inline constexpr char16_t RSConnectTimeout[] = u"Connect timed out.";

}  // namespace zorapi
