#ifndef VYN_PERSONALITIES_EXPLORER_H
#define VYN_PERSONALITIES_EXPLORER_H

#include <string>
#include <vector>

// One catalogue entry of the explorer page; the field names double as the
// page's JSON keys.
struct PersonalityInfo {
  std::string id;  // the file name without ".ypf"
  std::string name = "Unknown";
  std::string elo = "?";
  std::string desc = "No description";
  std::string desc_it = "Nessuna descrizione";
};

// The ".ypf" files of the personality directory, in the order the directory
// lists them; a file that cannot be read keeps the default texts.
std::vector<PersonalityInfo> scanPersonalities();

// By id, byte order; the position after sorting is the index on the page.
void sortPersonalities(std::vector<PersonalityInfo>& entries);

// The catalogue as a JSON array, its strings escaped so that it can stand
// inside a script element.
std::string generateJsonArray(const std::vector<PersonalityInfo>& entries);

// The whole explorer page for a sorted catalogue.
std::string generateExplorerPage(const std::vector<PersonalityInfo>& entries);

// The default personality's name, then every other id, joined by '|'.
std::string generateUciComboString(const std::vector<PersonalityInfo>& entries);

#endif
