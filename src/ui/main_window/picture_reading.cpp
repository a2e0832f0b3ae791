#include "ui/main_window/picture_reading.h"

#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>
#include <new>

#include "io/failure_text.h"
#include "ui/common/core_text.h"
#include "ui/common/picture_image.h"
#include "ui/common/picture_loader.h"

namespace {

// Two: a replaced read that is still decoding does not hold up the next
// open, and no more than two pictures' memory is taken at once.
constexpr int kWorkers = 2;

// The decoder is a seam; whatever it throws is this read's failure, never
// the worker thread's end.
tilora::DecodedFile Decode(const tilora::PictureDecoder& decode, const std::string& path) {
  try {
    return decode(path);
  } catch (const std::bad_alloc&) {
    tilora::DecodedFile failed;
    failed.path = path;
    failed.failure = tilora::OutOfMemoryFailure();
    return failed;
  } catch (const std::exception& e) {
    tilora::DecodedFile failed;
    failed.path = path;
    failed.failure = tilora::InternalFailure(e.what());
    return failed;
  }
}

QImage Shown(const tilora::Picture& picture, QString* failure) {
  try {
    QImage image = tilora::ui::ImageOf(picture);
    if (image.isNull()) *failure = tilora::ui::CoreText(tilora::FailureMessage(tilora::OutOfMemoryFailure()));
    return image;
  } catch (const std::bad_alloc&) {
    *failure = tilora::ui::CoreText(tilora::FailureMessage(tilora::OutOfMemoryFailure()));
    return {};
  }
}

}  // namespace

PictureRead ReadAfterHeader(const tilora::PictureDecoder& decode, const QString& name,
                            const tilora::platform::FileStamp& stamp) {
  PictureRead read;
  read.decoded = tilora::DecodeAfterHeader([&decode](const std::string& path) { return Decode(decode, path); },
                                           tilora::ui::LocalName(name), stamp);
  const bool bitmap = QFileInfo(name).suffix().compare(QLatin1String("bmp"), Qt::CaseInsensitive) == 0;
  if (read.decoded.picture && bitmap) {
    read.shown = Shown(*read.decoded.picture, &read.displayFailure);
    return read;
  }
  try {
    read.shown = tilora::ui::LoadPicture(name, &read.displayFailure);
  } catch (const std::exception& e) {
    read.displayFailure = tilora::ui::CoreText(e.what());
  }
  return read;
}

PictureRead ReadPng(const tilora::PictureDecoder& decode, const QString& name) {
  PictureRead read;
  read.decoded = Decode(decode, tilora::ui::LocalName(name));
  if (read.decoded.picture) read.shown = Shown(*read.decoded.picture, &read.displayFailure);
  return read;
}

PictureReading::PictureReading(QObject* parent) : QObject(parent) { pool_.setMaxThreadCount(kWorkers); }

PictureReading::~PictureReading() {
  ++*latest_;
  pool_.waitForDone();
}

void PictureReading::Start(Work work, Done done) {
  const quint64 ticket = ++*latest_;
  pending_ = ticket;
  auto* watcher = new QFutureWatcher<PictureRead>(this);
  connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, ticket, done = std::move(done)] {
    watcher->deleteLater();
    if (ticket != pending_) return;
    pending_ = 0;
    done(watcher->result());
  });
  watcher->setFuture(QtConcurrent::run(&pool_, [latest = latest_, ticket, work = std::move(work)] {
    if (latest->load() != ticket) return PictureRead{};
    return work();
  }));
}

void PictureReading::Drop() {
  ++*latest_;
  pending_ = 0;
}
