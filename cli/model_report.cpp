#include "cli/model_report.h"

#include "cli/json_writer.h"
#include "cli/name_text.h"
#include "model/numbers/shortest_text.h"

namespace tessary::cli {
namespace {

constexpr std::size_t kLabelWidth = 31;  // "scaled position/center points:"

std::string Triple(const double* values) {
  return ShortestText(values[0]) + " " + ShortestText(values[1]) + " " + ShortestText(values[2]);
}

void Sizes(const Box3& box, double* size) {
  for (int axis = 0; axis < 3; ++axis)
    size[axis] = box.max[axis] - box.min[axis];
}

void Row(std::string& out, const std::string& label, const std::string& value) {
  out += "  " + label + ":";
  out.append(label.size() + 1 < kLabelWidth ? kLabelWidth - label.size() - 1 : 1, ' ');
  out += value + "\n";
}

std::string BoxText(const Box3& box) {
  if (box.empty()) return "none";
  double size[3];
  Sizes(box, size);
  return "min " + Triple(box.min) + ", max " + Triple(box.max) + ", size " + Triple(size);
}

void BoxRows(std::string& out, const ModelInfo& info, const ScaleFactors* factors) {
  const auto box = [factors](const Box3& b) { return factors ? b.Scaled(*factors) : b; };
  const std::string prefix = factors ? "scaled " : "";
  Row(out, prefix + "vertex points", BoxText(box(info.vertices.box)));
  Row(out, prefix + "position/center points", BoxText(box(info.positions.box)));
  Row(out, prefix + "key points", BoxText(box(info.keys.box)));
}

std::string Count(std::uint64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

void JsonTriple(JsonWriter& json, const double* values) {
  json.BeginArray();
  for (int axis = 0; axis < 3; ++axis)
    json.Number(values[axis]);
  json.EndArray();
}

void JsonBox(JsonWriter& json, const Box3& box) {
  if (box.empty()) {
    json.Null();
    return;
  }
  double size[3];
  Sizes(box, size);
  json.BeginObject();
  json.Key("min");
  JsonTriple(json, box.min);
  json.Key("max");
  JsonTriple(json, box.max);
  json.Key("size");
  JsonTriple(json, size);
  json.EndObject();
}

void JsonCounts(JsonWriter& json, const char* key, const PointCounts& counts, bool blocks) {
  json.Key(key);
  json.BeginObject();
  if (blocks) {
    json.Key("blocks");
    json.Number(counts.blocks);
  }
  json.Key("lines");
  json.Number(counts.lines);
  json.Key("box");
  JsonBox(json, counts.box);
  json.EndObject();
}

}  // namespace

std::string InfoText(const std::string& name, const ModelInfo& info,
                     const std::optional<ScaleFactors>& factors) {
  std::string out = NameText(name) + "\n";
  Row(out, "lines", std::to_string(info.lines));
  Row(out, "position/center lines", std::to_string(info.positions.lines));
  Row(out, "verts blocks",
      Count(info.vertices.blocks, "block", "blocks") + ", " +
          Count(info.vertices.lines, "vertex line", "vertex lines"));
  Row(out, "positionkey blocks",
      Count(info.keys.blocks, "block", "blocks") + ", " +
          Count(info.keys.lines, "key line", "key lines"));
  BoxRows(out, info, nullptr);
  if (factors) {
    const double scale[3] = {factors->x, factors->y, factors->z};
    Row(out, "scale factors", Triple(scale));
    BoxRows(out, info, &*factors);
  }
  return out;
}

std::string InfoJson(const std::string& name, const ModelInfo& info,
                     const std::optional<ScaleFactors>& factors) {
  JsonWriter json;
  json.BeginObject();
  json.Key("file");
  json.String(name);
  json.Key("lines");
  json.Number(info.lines);
  JsonCounts(json, "positions", info.positions, false);
  JsonCounts(json, "vertices", info.vertices, true);
  JsonCounts(json, "keys", info.keys, true);
  if (factors) {
    const double scale[3] = {factors->x, factors->y, factors->z};
    json.Key("scale");
    JsonTriple(json, scale);
    json.Key("scaled");
    json.BeginObject();
    json.Key("positions");
    JsonBox(json, info.positions.box.Scaled(*factors));
    json.Key("vertices");
    JsonBox(json, info.vertices.box.Scaled(*factors));
    json.Key("keys");
    JsonBox(json, info.keys.box.Scaled(*factors));
    json.EndObject();
  }
  json.EndObject();
  return json.text() + "\n";
}

}  // namespace tessary::cli
