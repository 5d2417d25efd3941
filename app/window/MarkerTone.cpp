#include "app/window/MarkerTone.h"

#ifdef KESTRAVA_HAVE_MULTIMEDIA
#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>
#include <cmath>
#include <numbers>
#endif

namespace kestrava {

#ifdef KESTRAVA_HAVE_MULTIMEDIA

namespace {

constexpr int SampleRate = 22050;

// Sixteen-bit mono samples of the tone, faded in and out over a few
// milliseconds so that it starts and ends without a click.
QByteArray ToneSamples(std::int32_t FrequencyHz, std::int32_t Milliseconds) {
  const int Count = SampleRate * Milliseconds / 1000;
  const int Fade = SampleRate / 200;
  QByteArray Bytes(static_cast<qsizetype>(Count) * 2, Qt::Uninitialized);
  auto* Samples = reinterpret_cast<std::int16_t*>(Bytes.data());
  for (int I = 0; I < Count; ++I) {
    const double Envelope = std::min({1.0, I / double(Fade), (Count - I) / double(Fade)});
    const double Phase = 2 * std::numbers::pi * FrequencyHz * I / SampleRate;
    Samples[I] = static_cast<std::int16_t>(12000 * Envelope * std::sin(Phase));
  }
  return Bytes;
}

} // namespace

struct TMarkerTone::TOutput {
  QAudioDevice Device = QMediaDevices::defaultAudioOutput();
  std::unique_ptr<QAudioSink> Sink;
  QBuffer Source;
};

TMarkerTone::TMarkerTone() : Output_(std::make_unique<TOutput>()) {}

bool TMarkerTone::Available() const {
  return !Output_->Device.isNull();
}

void TMarkerTone::Play(std::int32_t FrequencyHz, std::int32_t Milliseconds) {
  if (FrequencyHz <= 0 || Milliseconds <= 0 || !Available())
    return;
  QAudioFormat Format;
  Format.setSampleRate(SampleRate);
  Format.setChannelCount(1);
  Format.setSampleFormat(QAudioFormat::Int16);
  if (!Output_->Device.isFormatSupported(Format))
    return;
  if (Output_->Sink)
    Output_->Sink->stop();
  Output_->Source.close();
  Output_->Source.setData(ToneSamples(FrequencyHz, Milliseconds));
  Output_->Source.open(QIODevice::ReadOnly);
  Output_->Sink = std::make_unique<QAudioSink>(Output_->Device, Format);
  // Pull mode: the sink reads the samples on its own as it plays them.
  Output_->Sink->start(&Output_->Source);
}

#else

struct TMarkerTone::TOutput {};

TMarkerTone::TMarkerTone() = default;

bool TMarkerTone::Available() const {
  return false;
}

void TMarkerTone::Play(std::int32_t, std::int32_t) {}

#endif

TMarkerTone::~TMarkerTone() = default;

} // namespace kestrava
