#include "ui/open_dialog/preview_decoder.h"

#include <QFileInfo>
#include <QFutureWatcher>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace {

// More than one, so a metafile that runs to its time limit does not hold up
// the next selection's picture.
constexpr int kMinWorkers = 2;

}  // namespace

TPreviewDecoder::TPreviewDecoder(QObject* parent) : QObject(parent) {
  pool_.setMaxThreadCount(std::max(kMinWorkers, QThread::idealThreadCount()));
}

TPreviewDecoder::~TPreviewDecoder() {
  ++*latest_;
  pool_.waitForDone();
}

void TPreviewDecoder::Request(const QString& path, Decoder decoder) {
  const quint64 ticket = ++*latest_;
  pending_ = ticket;
  ++running_;
  auto* watcher = new QFutureWatcher<QImage>(this);
  connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, ticket, path] {
    watcher->deleteLater();
    --running_;
    Deliver(ticket, path, watcher->result());
  });
  watcher->setFuture(QtConcurrent::run(&pool_, [latest = latest_, ticket, path, decoder = std::move(decoder)] {
    if (latest->load() != ticket || !decoder) return QImage();
    try {
      if (!QFileInfo(path).isFile()) return QImage();
      QString error;
      return decoder(path, &error);
    } catch (...) {
      // The preview shows no picture, whatever the reason; the open itself
      // reports failures.
      return QImage();
    }
  }));
}

void TPreviewDecoder::Cancel() {
  ++*latest_;
  pending_ = 0;
}

void TPreviewDecoder::Deliver(quint64 ticket, const QString& path, const QImage& picture) {
  if (ticket != pending_) return;
  pending_ = 0;
  emit Decoded(path, picture);
}
