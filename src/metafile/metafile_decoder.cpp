#include "metafile/metafile_decoder.h"

#include "metafile/decode_support.h"

namespace tilora::metafile {

qint32 detail::I32At(const QByteArray& bytes, qsizetype at) {
  if (at < 0 || at > bytes.size() - 4) return 0;
  return qFromLittleEndian<qint32>(bytes.constData() + at);
}

QImage DecodeMetafileBytes(MetafileKind kind, const QByteArray& bytes, QString* error) {
  return kind == MetafileKind::kEmf ? DecodeEmf(bytes, error) : DecodeWmf(bytes, error);
}

}  // namespace tilora::metafile
