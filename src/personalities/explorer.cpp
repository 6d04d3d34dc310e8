#include "personalities/explorer.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "board/misc.h"
#include "platform/platform.h"
#include "uci/uci.h"

namespace {

const char* const PersonalityDir = "personality";
const char* const ExplorerPage = "personality\\VYN_Personality_Explorer.html";
const char* const CreatorPage = "personality\\VYN_Personality_Creator.html";

// The text after a quoted marker: up to the last '"' of the line, or the rest
// of the line when the marker's own quote is the last one.
std::string quoted_after(const std::string& line, size_t start) {
  const size_t last = line.rfind('"');
  return last != std::string::npos && last >= start ? line.substr(start, last - start) : line.substr(start);
}

std::string trimmed(const std::string& s) {
  const char* const blanks = " \t\r\n";
  const size_t first = s.find_first_not_of(blanks);
  if (first == std::string::npos)
    return "";
  return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

void read_markers(const std::string& line, PersonalityInfo& info) {
  static const struct {
    const char* marker;
    std::string PersonalityInfo::*field;
  } quoted[] = {{"Name = \"", &PersonalityInfo::name},
                {"Description = \"", &PersonalityInfo::desc},
                {"Description_IT = \"", &PersonalityInfo::desc_it}};

  for (const auto& q : quoted) {
    const size_t pos = line.find(q.marker);
    if (pos != std::string::npos)
      info.*q.field = quoted_after(line, pos + std::char_traits<char>::length(q.marker));
  }

  const std::string eloMarker = "Elo = ";
  const size_t pos = line.find(eloMarker);
  if (pos != std::string::npos)
    info.elo = trimmed(line.substr(pos + eloMarker.size()));
}

// A JSON string body that also survives inside a script element: '<' is
// escaped so no "</script>" or "<!--" can appear, and the two line
// separators that older script parsers reject are escaped as well.
std::string json_escaped(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    switch (c) {
    case '"': out += "\\\""; break;
    case '\\': out += "\\\\"; break;
    case '\n': out += "\\n"; break;
    case '\r': out += "\\r"; break;
    case '\t': out += "\\t"; break;
    case '\b': out += "\\b"; break;
    case '\f': out += "\\f"; break;
    case '<': out += "\\u003c"; break;
    default:
      if (c < 0x20) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04x", c);
        out += buf;
      } else if (c == 0xE2 && i + 2 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x80
                 && (static_cast<unsigned char>(s[i + 2]) == 0xA8 || static_cast<unsigned char>(s[i + 2]) == 0xA9)) {
        out += static_cast<unsigned char>(s[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
        i += 2;
      } else
        out += char(c);
    }
  }
  return out;
}

std::string html_escaped(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s)
    switch (c) {
    case '&': out += "&amp;"; break;
    case '<': out += "&lt;"; break;
    case '>': out += "&gt;"; break;
    case '"': out += "&quot;"; break;
    case '\'': out += "&#39;"; break;
    default: out += c;
    }
  return out;
}

const char* const PageHead =
    "<!DOCTYPE html>\n"
    "<html lang='it'>\n"
    "<head>\n"
    "<meta charset='UTF-8'>\n"
    "<meta name='viewport' content='width=device-width, initial-scale=1.0'>\n"
    "<title>VYN 26.8 - Personality Explorer</title>\n"
    "<style>\n";

const char* const StyleSheet =
    "* { box-sizing: border-box; margin: 0; padding: 0; }\n"
    "body { font-family: 'Segoe UI', Roboto, Helvetica, Arial, sans-serif; background: #1a1a2e; color: #eaeaea; "
    "min-height: 100vh; }\n"
    "header { background: #16213e; padding: 20px 30px; border-bottom: 3px solid #e94560; }\n"
    "header h1 { color: #e94560; font-size: 1.8em; }\n"
    "header p { color: #a0a0b8; margin-top: 6px; }\n"
    ".container { display: flex; min-height: calc(100vh - 100px); }\n"
    ".sidebar { width: 300px; flex-shrink: 0; background: #0f1629; border-right: 1px solid #2a2a4a; "
    "overflow-y: auto; }\n"
    ".sidebar-item { padding: 14px 20px; border-bottom: 1px solid #2a2a4a; cursor: pointer; "
    "transition: background 0.2s; }\n"
    ".sidebar-item:hover { background: #1f2b4d; }\n"
    ".sidebar-item.active { background: #e94560; color: #ffffff; }\n"
    ".sidebar-item .name { display: block; font-weight: bold; }\n"
    ".sidebar-item .elo { display: block; font-size: 0.85em; opacity: 0.8; margin-top: 4px; }\n"
    ".main-view { flex: 1; padding: 30px; overflow-y: auto; }\n"
    ".detail-card { background: #16213e; border-radius: 10px; padding: 30px; "
    "box-shadow: 0 4px 20px rgba(0, 0, 0, 0.4); }\n"
    ".detail-card h2 { color: #e94560; font-size: 2em; margin-bottom: 12px; }\n"
    ".detail-card .elo-badge { display: inline-block; background: #e94560; color: #ffffff; padding: 6px 14px; "
    "border-radius: 20px; font-weight: bold; margin: 12px 0; }\n"
    ".detail-card .desc { margin: 12px 0; line-height: 1.6; }\n"
    ".detail-card .desc-it { margin: 12px 0; line-height: 1.6; color: #b8b8d0; font-style: italic; }\n"
    ".btn-load { background: #e94560; color: #ffffff; border: none; padding: 10px 18px; border-radius: 6px; "
    "cursor: pointer; font-size: 1em; margin-top: 16px; }\n"
    ".btn-load:hover { background: #c73a52; }\n"
    ".live-params { display: none; margin-top: 24px; }\n"
    ".live-params h3 { color: #e94560; margin-bottom: 12px; }\n"
    ".param-grid { display: grid; grid-template-columns: repeat(auto-fill, minmax(240px, 1fr)); gap: 8px; }\n"
    ".param-item { display: flex; justify-content: space-between; gap: 10px; background: #1a1a2e; "
    "padding: 8px 12px; border-radius: 6px; }\n"
    ".param-item .key { color: #a0a0b8; flex-shrink: 0; }\n"
    ".param-item .value { color: #ffffff; font-weight: bold; text-align: right; min-width: 0; "
    "overflow-wrap: anywhere; }\n"
    ".personality-meta { display: flex; flex-wrap: wrap; gap: 20px; color: #a0a0b8; margin-bottom: 8px; }\n"
    ".personality-meta span { font-size: 0.95em; }\n"
    ".personality-meta strong { color: #eaeaea; }\n"
    ".empty-state { text-align: center; color: #a0a0b8; margin-top: 80px; }\n"
    ".empty-state h3 { font-size: 1.5em; margin-bottom: 10px; }\n"
    "@media (max-width: 768px) { .container { flex-direction: column; } "
    ".sidebar { width: 100%; max-height: 40vh; border-right: none; border-bottom: 1px solid #2a2a4a; } }\n";

const char* const PageBodyStart =
    "</style>\n"
    "</head>\n"
    "<body>\n"
    "<header>\n"
    "<h1>♟ VYN 26.8 Personality Explorer</h1>\n"
    "<p>Automatic list of personalities found in the 'personality/' directory</p>\n"
    "</header>\n"
    "<div class='container'>\n"
    "<div class='sidebar' id='sidebar'>\n";

const char* const PageMainView =
    "</div>\n"
    "<div class='main-view' id='main-view'>\n"
    "<div class='empty-state'>\n"
    "<h3>👈 Select a personality</h3>\n"
    "<p>Click a name in the list on the left to view its details.</p>\n"
    "</div>\n"
    "</div>\n"
    "</div>\n"
    "<script>\n";

// Texts that come from personality files are always set as text, never as
// markup: a file may hold anything.
const char* const PageScript = R"JS(const sidebar = document.getElementById('sidebar');
const mainView = document.getElementById('main-view');
function selectPersonality(index) {
  document.querySelectorAll('.sidebar-item').forEach(item => item.classList.remove('active'));
  const chosen = sidebar.children[index];
  if (chosen) chosen.classList.add('active');
  const p = catalog[index];
  if (!p) return;
  mainView.innerHTML = `<div class='detail-card'>
<h2 id='name-${index}'></h2>
<div class='personality-meta'>
<span>Country: <strong id='country-${index}'>—</strong></span>
<span>Resign threshold: <strong id='resign-${index}'>—</strong></span>
</div>
<div class='elo-badge' id='elo-${index}'></div>
<div class='desc' id='desc-${index}'></div>
<div class='desc-it' id='desc-it-${index}'></div>
<button class='btn-load' onclick="document.getElementById('file-input-${index}').click()">📂 Load an .ypf file to view live parameters</button>
<input type='file' id='file-input-${index}' accept='.ypf' style='display:none' onchange='loadLiveFile(event, ${index})'>
<div class='live-params' id='live-params-${index}'>
<h3>📊 Live parameters from file:</h3>
<div class='param-grid' id='param-grid-${index}'></div>
</div>
</div>`;
  document.getElementById(`name-${index}`).textContent = p.name;
  document.getElementById(`elo-${index}`).textContent = '⭐ Target Elo: ' + p.elo;
  document.getElementById(`desc-${index}`).textContent = '🇬🇧 ' + p.desc;
  document.getElementById(`desc-it-${index}`).textContent = '🇮🇹 ' + p.desc_it;
}
function loadLiveFile(event, index) {
  const file = event.target.files && event.target.files[0];
  if (!file) return;
  const reader = new FileReader();
  reader.onload = function (e) {
    const kept = ['Name', 'Elo', 'Description', 'Description_IT', 'Country', 'Resign',
                  'ThinkingPace', 'MinimumReflection', 'WillToWin', 'BookDepth', 'BookVariety'];
    const params = new Map();
    let pendingKey = null;
    let pendingValue = '';
    for (const raw of String(e.target.result).split('\n')) {
      if (pendingKey !== null) {
        const part = raw.trim();
        pendingValue += (pendingValue !== '' ? ' ' : '') + part;
        if (part.endsWith('"')) {
          params.set(pendingKey, pendingValue.slice(0, -1));
          pendingKey = null;
          pendingValue = '';
        }
        continue;
      }
      const line = raw.trim();
      if (line === '' || line.startsWith('#') || line.startsWith('[')) continue;
      const eq = line.indexOf('=');
      if (eq < 0) continue;
      const key = line.slice(0, eq).trim();
      let value = line.slice(eq + 1).trim();
      if (value.startsWith('"') && value.endsWith('"')) value = value.slice(1, -1);
      if (!kept.includes(key) && !key.startsWith('VYN_')) continue;
      if (value.startsWith('"') && !value.endsWith('"')) {
        pendingKey = key;
        pendingValue = value.slice(1);
      } else {
        params.set(key, value);
      }
    }
    const fileId = file.name.replace(/\.ypf$/i, '');
    let selected = catalog.findIndex(p => String(p.id).toLowerCase() === fileId.toLowerCase());
    if (selected < 0) {
      alert('This .ypf file is not in the current Explorer list.\n\nIt was added for this session. To permanently refresh the list, close the Explorer and run Open_Personality_Explorer.cmd.');
      catalog.push({
        id: fileId,
        name: params.get('Name') || fileId,
        elo: params.get('Elo') || '?',
        desc: params.get('Description') || '',
        desc_it: params.get('Description_IT') || ''
      });
      selected = catalog.length - 1;
      const added = selected;
      const item = document.createElement('div');
      item.className = 'sidebar-item';
      const nameSpan = document.createElement('span');
      nameSpan.className = 'name';
      nameSpan.textContent = catalog[added].name;
      const eloSpan = document.createElement('span');
      eloSpan.className = 'elo';
      eloSpan.textContent = 'Elo ' + catalog[added].elo;
      item.appendChild(nameSpan);
      item.appendChild(eloSpan);
      item.onclick = () => selectPersonality(added);
      sidebar.appendChild(item);
    }
    if (selected !== index) {
      selectPersonality(selected);
      index = selected;
    }
    const p = catalog[index];
    document.getElementById(`name-${index}`).textContent = params.get('Name') || p.name;
    document.getElementById(`elo-${index}`).textContent = '⭐ Target Elo: ' + (params.get('Elo') || p.elo);
    document.getElementById(`desc-${index}`).textContent = '🇬🇧 ' + (params.get('Description') || p.desc);
    document.getElementById(`desc-it-${index}`).textContent = '🇮🇹 ' + (params.get('Description_IT') || p.desc_it);
    document.getElementById(`country-${index}`).textContent = params.get('Country') || '—';
    document.getElementById(`resign-${index}`).textContent = params.has('Resign') ? params.get('Resign') : '—';
    const grid = document.getElementById(`param-grid-${index}`);
    while (grid.firstChild) grid.removeChild(grid.firstChild);
    for (const [key, value] of params) {
      const item = document.createElement('div');
      item.className = 'param-item';
      const keySpan = document.createElement('span');
      keySpan.className = 'key';
      keySpan.textContent = key;
      const valueSpan = document.createElement('span');
      valueSpan.className = 'value';
      valueSpan.textContent = value;
      item.appendChild(keySpan);
      item.appendChild(valueSpan);
      grid.appendChild(item);
    }
    document.getElementById(`live-params-${index}`).style.display = 'block';
  };
  reader.readAsText(file);
}
)JS";

const char* const PageEnd = "</script>\n</body>\n</html>";

}  // namespace

std::vector<PersonalityInfo> scanPersonalities() {
  std::vector<PersonalityInfo> entries;

  for (const std::string& file : Platform::list_files(PersonalityDir, ".ypf")) {
    PersonalityInfo info;
    info.id = file.substr(0, file.size() - 4);

    // An entry that is not a readable file (a directory, a device, no
    // permission) simply keeps the defaults.
    std::string text;
    Platform::read_text_file(Platform::native_path(std::string(PersonalityDir) + "\\" + file), text);
    std::istringstream in(text);
    for (std::string line; Platform::read_line(in, line);)
      read_markers(line, info);

    entries.push_back(std::move(info));
  }

  return entries;
}

void sortPersonalities(std::vector<PersonalityInfo>& entries) {
  std::sort(entries.begin(), entries.end(),
            [](const PersonalityInfo& a, const PersonalityInfo& b) { return a.id < b.id; });
}

std::string generateJsonArray(const std::vector<PersonalityInfo>& entries) {
  std::string json = "[\n";
  for (size_t i = 0; i < entries.size(); ++i) {
    const PersonalityInfo& e = entries[i];
    json += "  {\n";
    json += "    \"id\": \"" + json_escaped(e.id) + "\",\n";
    json += "    \"name\": \"" + json_escaped(e.name) + "\",\n";
    json += "    \"elo\": \"" + json_escaped(e.elo) + "\",\n";
    json += "    \"desc\": \"" + json_escaped(e.desc) + "\",\n";
    json += "    \"desc_it\": \"" + json_escaped(e.desc_it) + "\"\n";
    json += i + 1 < entries.size() ? "  },\n" : "  }\n";
  }
  return json + "]";
}

std::string generateExplorerPage(const std::vector<PersonalityInfo>& entries) {
  std::string page = std::string(PageHead) + StyleSheet + PageBodyStart;

  for (size_t i = 0; i < entries.size(); ++i) {
    page += "<div class='sidebar-item' onclick='selectPersonality(" + std::to_string(i) + ")'>\n";
    page += "<span class='name'>" + html_escaped(entries[i].name) + "</span>\n";
    page += "<span class='elo'>Elo " + html_escaped(entries[i].elo) + "</span>\n";
    page += "</div>\n";
  }

  page += PageMainView;
  page += "const catalog = " + generateJsonArray(entries) + ";\n";
  page += PageScript;
  page += PageEnd;
  return page;
}

std::string generateUciComboString(const std::vector<PersonalityInfo>& entries) {
  std::string combo = "VYN 26.8 Corvastel";
  for (const PersonalityInfo& e : entries)
    if (e.id != "VYN_26.8_Corvastel")
      combo += "|" + e.id;
  return combo;
}

namespace UCI {

void on_open_explorer(const Option&) {
  sync_cout << "info string Scanning personality directory and generating explorer..." << sync_endl;

  std::vector<PersonalityInfo> entries = scanPersonalities();
  sortPersonalities(entries);
  const std::string page = generateExplorerPage(entries);

  // A page that was not written whole is not shown: the browser would
  // display an old or broken one.
  const std::string path = Platform::native_path(ExplorerPage);
  std::ofstream out(Platform::to_path(path), std::ios::binary | std::ios::trunc);
  out << page;
  out.close();
  if (!out) {
    sync_cout << "info string Warning: Could not write explorer page: " << path << sync_endl;
    return;
  }

  Platform::open_page(path);
}

void on_open_creator(const Option&) {
  sync_cout << "info string Opening Personality Creator..." << sync_endl;
  Platform::open_page(Platform::native_path(CreatorPage));
}

}  // namespace UCI
