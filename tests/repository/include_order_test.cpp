// The folders of src/ depend one way only: the order of docs/architecture.md
// (its layers table) is read here and every #include of src/ is held to it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Folder (relative to src/) -> layer number, 0 at the top.
using Layers = std::map<std::string, int>;

// The lines between the layers markers: "folder folder | what is in them".
std::optional<Layers> ReadLayers(const std::string& doc) {
  const std::string begin = "<!-- layers: begin -->";
  const std::string end = "<!-- layers: end -->";
  const std::size_t from = doc.find(begin);
  const std::size_t to = doc.find(end);
  if (from == std::string::npos || to == std::string::npos || to < from) return std::nullopt;
  std::istringstream block(doc.substr(from + begin.size(), to - from - begin.size()));
  Layers layers;
  int layer = 0;
  for (std::string line; std::getline(block, line);) {
    const std::size_t bar = line.find('|');
    if (bar == std::string::npos || line.rfind("```", 0) == 0) continue;
    std::istringstream folders(line.substr(0, bar));
    for (std::string folder; folders >> folder;) layers[folder] = layer;
    ++layer;
  }
  if (layers.empty()) return std::nullopt;
  return layers;
}

// The listed folder a path (relative to src/) lies in: the longest match.
std::optional<std::string> FolderOf(const Layers& layers, const std::string& path) {
  std::optional<std::string> best;
  for (const auto& [folder, layer] : layers) {
    if (path.rfind(folder + "/", 0) == 0 && (!best || folder.size() > best->size())) best = folder;
  }
  return best;
}

struct Source {
  std::string path;  // relative to src/
  std::string text;
};

// One line per include that points upwards or sideways, or per file outside
// every listed folder.
std::vector<std::string> Violations(const Layers& layers, const std::vector<Source>& sources) {
  std::vector<std::string> found;
  const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
      for (const Source& source : sources) {
    const std::optional<std::string> from = FolderOf(layers, source.path);
    if (!from) {
      found.push_back(source.path + ": its folder is not in the layers table");
      continue;
    }
    std::istringstream lines(source.text);
    for (std::string line; std::getline(lines, line);) {
      std::smatch m;
      if (!std::regex_search(line, m, include)) continue;
      const std::optional<std::string> to = FolderOf(layers, m[1].str());
      if (!to || *to == *from) continue;  // a system or same-folder header
      const int fromLayer = layers.at(*from);
      const int toLayer = layers.at(*to);
      if (toLayer > fromLayer) continue;
      found.push_back(source.path + " includes \"" + m[1].str() + "\": " + *to +
                      (toLayer == fromLayer ? " sits beside " : " lies above ") + *from);
    }
  }
  return found;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

const char* kSmallOrder = R"(
<!-- layers: begin -->
```text
top              | run control
left right       | two side by side
ground/a         | an area
ground           | the rest of the ground
```
<!-- layers: end -->
)";

TEST(IncludeOrder, JudgesEachIncludeByTheLayersTable) {
  const std::optional<Layers> layers = ReadLayers(kSmallOrder);
  ASSERT_TRUE(layers);
  struct Case {
    const char* name;
    Source source;
    std::vector<std::string> expected;
  } cases[] = {
      {"downwards, own folder and system headers pass",
       {"top/x.cpp",
        "#include \"top/x.h\"\n#include \"left/l.h\"\n#include <vector>\n"
        "#include \"ground/a/b.h\"\n#include \"nlohmann/json.hpp\"\n"},
       {}},
      {"upwards fails, naming file and include",
       {"ground/g.cpp", "#include \"ground/g.h\"\n  #  include \"top/x.h\"\n"},
       {"ground/g.cpp includes \"top/x.h\": top lies above ground"}},
      {"an area is its own folder: the rest of the ground may not include it",
       {"ground/g.cpp", "#include \"ground/a/b.h\"\n"},
       {"ground/g.cpp includes \"ground/a/b.h\": ground/a lies above ground"}},
      {"side by side fails",
       {"left/l.cpp", "#include \"right/r.h\"\n"},
       {"left/l.cpp includes \"right/r.h\": right sits beside left"}},
      {"an unlisted folder fails",
       {"elsewhere/e.cpp", ""},
       {"elsewhere/e.cpp: its folder is not in the layers table"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Violations(*layers, {c.source}), c.expected) << c.name;
}

TEST(IncludeOrder, SourceTreeFollowsTheDocumentedOrder) {
  const fs::path root = VEXALORN_SOURCE_DIR;
  const std::optional<Layers> layers = ReadLayers(ReadText(root / "docs/architecture.md"));
  ASSERT_TRUE(layers) << "docs/architecture.md has no layers table";
  std::vector<Source> sources;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(root / "src")) {
    const std::string ext = e.path().extension().string();
    if (!e.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
    sources.push_back({fs::relative(e.path(), root / "src").generic_string(), ReadText(e.path())});
  }
  ASSERT_FALSE(sources.empty());
  const std::vector<std::string> found = Violations(*layers, sources);
  std::string report;
  for (const std::string& v : found) report += v + "\n";
  EXPECT_TRUE(found.empty()) << report;
}

}  // namespace
