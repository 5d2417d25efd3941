#include "streaming/StreamMessages.h"

#include "streaming/StreamPoses.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <igtlPolyDataMessage.h>
#include <igtlStatusMessage.h>
#include <igtlStringMessage.h>
#include <igtlTrackingDataMessage.h>
#include <igtlTransformMessage.h>
#include <limits>

namespace kestrava {

namespace {

// IANA MIBenum of US-ASCII, the encoding field of STRING messages.
constexpr igtlUint16 UsAsciiEncoding = 3;
constexpr double TwoToThe32 = 4294967296.0;

// The header's time stamp: whole seconds and a 32-bit binary fraction. Times
// outside what 32 bits of seconds hold are clamped rather than wrapped.
void StampMessage(igtl::MessageBase& Message, double UtcSeconds) {
  const double Clamped =
      std::isfinite(UtcSeconds) ? std::clamp(UtcSeconds, 0.0, TwoToThe32 - 1) : 0.0;
  const double Whole = std::floor(Clamped);
  const auto Fraction =
      static_cast<unsigned int>(std::min((Clamped - Whole) * TwoToThe32, TwoToThe32 - 1));
  Message.SetTimeStamp(static_cast<unsigned int>(Whole), Fraction);
}

void AppendPacked(TMessageBytes& Bytes, igtl::MessageBase& Message, const std::string& Device,
                  double UtcSeconds) {
  Message.SetDeviceName(Device.c_str());
  StampMessage(Message, UtcSeconds);
  Message.Pack();
  const auto* Packed = static_cast<const std::uint8_t*>(Message.GetPackPointer());
  Bytes.insert(Bytes.end(), Packed, Packed + Message.GetPackSize());
}

void ToIgtlMatrix(const TMatrix4& Source, igtl::Matrix4x4& Target) {
  for (int Row = 0; Row < 4; ++Row) {
    for (int Column = 0; Column < 4; ++Column) {
      Target[Row][Column] = static_cast<float>(Source.M[Row][Column]);
    }
  }
}

void AppendTrackingData(TMessageBytes& Bytes, const std::vector<TSensorPose>& Poses,
                        double UtcSeconds) {
  const igtl::TrackingDataMessage::Pointer Message = igtl::TrackingDataMessage::New();
  for (const TSensorPose& Pose : Poses) {
    igtl::TrackingDataElement::Pointer Element = igtl::TrackingDataElement::New();
    Element->SetName(Pose.Name.c_str());
    Element->SetType(Pose.Kind == TPoseKind::Direction ? igtl::TrackingDataElement::TYPE_5D
                                                       : igtl::TrackingDataElement::TYPE_3D);
    igtl::Matrix4x4 Matrix;
    ToIgtlMatrix(Pose.SensorToTracker, Matrix);
    Element->SetMatrix(Matrix);
    Message->AddTrackingDataElement(Element);
  }
  AppendPacked(Bytes, *Message, ScopeSensorsDevice, UtcSeconds);
}

void AppendTransform(TMessageBytes& Bytes, const TMatrix4& Transform, const std::string& Device,
                     double UtcSeconds) {
  const igtl::TransformMessage::Pointer Message = igtl::TransformMessage::New();
  igtl::Matrix4x4 Matrix;
  ToIgtlMatrix(Transform, Matrix);
  Message->SetMatrix(Matrix);
  AppendPacked(Bytes, *Message, Device, UtcSeconds);
}

void AppendString(TMessageBytes& Bytes, const std::string& Text, const std::string& Device,
                  double UtcSeconds) {
  const igtl::StringMessage::Pointer Message = igtl::StringMessage::New();
  Message->SetEncoding(UsAsciiEncoding);
  Message->SetString(Text.c_str());
  AppendPacked(Bytes, *Message, Device, UtcSeconds);
}

std::string PrintableAscii(std::string Text) {
  for (char& C : Text) {
    if (C < 0x20 || C > 0x7E) {
      C = '?';
    }
  }
  return Text;
}

} // namespace

std::string PainText(double Pain, const std::string& Units) {
  char Value[32];
  const auto Result = std::to_chars(Value, Value + sizeof Value, Pain);
  std::string Text(Value, Result.ptr);
  if (!Units.empty()) {
    Text += ' ' + PrintableAscii(Units);
  }
  return Text;
}

TMessageBytes EncodeFrameMessages(const TImagerFrame& Frame, const TStreamContext& Context,
                                  double UtcSeconds) {
  TMessageBytes Bytes;
  const std::vector<TSensorPose> Poses = SensorPoses(Frame);
  AppendTrackingData(Bytes, Poses, UtcSeconds);
  for (const TSensorPose& Pose : Poses) {
    AppendTransform(Bytes, Pose.SensorToTracker, Pose.Name + "ToTracker", UtcSeconds);
  }
  if (const std::optional<TMatrix4> Patient = TrackerToPatient(Frame, Context.ProcedureType)) {
    AppendTransform(Bytes, *Patient, TrackerToPatientDevice, UtcSeconds);
  }
  if (Context.HasPainData && Frame.PainValid && std::isfinite(Frame.Pain)) {
    AppendString(Bytes, PainText(Frame.Pain, Context.PainUnits), PatientPainDevice, UtcSeconds);
  }
  if (Context.LoopState) {
    AppendString(Bytes, PrintableAscii(*Context.LoopState), LoopStateDevice, UtcSeconds);
  }
  return Bytes;
}

TMessageBytes EncodeScopeModel(const TScopeModelGeometry& Model, double UtcSeconds) {
  const igtl::PolyDataMessage::Pointer Message = igtl::PolyDataMessage::New();
  const igtl::PolyDataPointArray::Pointer Points = igtl::PolyDataPointArray::New();
  for (std::size_t I = 0; I + 2 < Model.Points.size(); I += 3) {
    Points->AddPoint(Model.Points[I], Model.Points[I + 1], Model.Points[I + 2]);
  }
  const igtl::PolyDataCellArray::Pointer Polygons = igtl::PolyDataCellArray::New();
  for (std::size_t I = 0; I + 2 < Model.Triangles.size(); I += 3) {
    igtlUint32 Cell[3] = {Model.Triangles[I], Model.Triangles[I + 1], Model.Triangles[I + 2]};
    Polygons->AddCell(3, Cell);
  }
  Message->SetPoints(Points);
  Message->SetPolygons(Polygons);
  TMessageBytes Bytes;
  AppendPacked(Bytes, *Message, ScopeModelDevice, UtcSeconds);
  return Bytes;
}

TMessageBytes EncodeKeepAlive(double UtcSeconds) {
  const igtl::StatusMessage::Pointer Message = igtl::StatusMessage::New();
  Message->SetCode(igtl::StatusMessage::STATUS_OK);
  Message->SetSubCode(0);
  Message->SetErrorName("");
  Message->SetStatusString("");
  TMessageBytes Bytes;
  AppendPacked(Bytes, *Message, KeepAliveDevice, UtcSeconds);
  return Bytes;
}

} // namespace kestrava
