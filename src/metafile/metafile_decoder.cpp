#include "metafile/metafile_decoder.h"

namespace tilora::metafile {

QImage DecodeMetafileBytes(MetafileKind kind, const QByteArray& bytes, QString* error) {
  return kind == MetafileKind::kEmf ? DecodeEmf(bytes, error) : DecodeWmf(bytes, error);
}

}  // namespace tilora::metafile
