#include "app/uu_encoder.h"

#include <cassert>

namespace vexilo::app {

namespace {

char TableChar(unsigned value) {
  value &= 63u;
  return value == 0 ? '`' : static_cast<char>(32 + value);
}

}  // namespace

QByteArray TUUEncoder::EncodeLine(const QString& line) const {
  assert(line.size() <= kMaxLineBytes);
  QByteArray bytes;
  bytes.reserve(line.size());
  for (const QChar character : line) {
    bytes.append(character.unicode() < 256 ? static_cast<char>(character.unicode()) : '?');
  }

  QByteArray encoded;
  encoded.append(TableChar(static_cast<unsigned>(bytes.size())));
  for (qsizetype at = 0; at < bytes.size(); at += 3) {
    const qsizetype count = std::min<qsizetype>(3, bytes.size() - at);
    const unsigned b1 = static_cast<unsigned char>(bytes[at]);
    const unsigned b2 = count > 1 ? static_cast<unsigned char>(bytes[at + 1]) : 0u;
    const unsigned b3 = count > 2 ? static_cast<unsigned char>(bytes[at + 2]) : 0u;
    encoded.append(TableChar(b1 >> 2));
    encoded.append(TableChar((b1 << 4) | (b2 >> 4)));
    encoded.append(count > 1 ? TableChar((b2 << 2) | (b3 >> 6)) : FillChar);
    encoded.append(count > 2 ? TableChar(b3) : FillChar);
  }
  return encoded;
}

}  // namespace vexilo::app
