// velmora-sample: lays out a program folder with the sample company, ready for
// velmora-agent --home DIR.

#include <charconv>
#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "sample_company.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: velmora-sample --home DIR [--branch-no N] [--prefix P] [--no-rows]\n"
    "                      [--ho NAME[:ADDRESS]:PREFIX:BRANCHNO]... [--unreachable NAME:PREFIX:BRANCHNO]...\n"
    "\n"
    "Lays out a program folder: jewellers.txt, year.txt, servers.txt and the SQLite\n"
    "databases of the branch and of every reachable head office, with sample rows.\n"
    "\n"
    "  --home DIR          the program folder to create (required)\n"
    "  --branch-no N       the branch's number (default 7)\n"
    "  --prefix P          the branch's company prefix (default VEL)\n"
    "  --no-rows           create the tables and settings rows only\n"
    "  --ho HEADOFFICE     a head office reached by name, or by ADDRESS when given\n"
    "  --unreachable HO    a head office listed in Branch that serves nothing\n"
    "\n"
    "Without --ho and --unreachable: HO1 (HOA, branch 1), HO2 (HOB, branch 2,\n"
    "address 192.168.10.20) and the unreachable HO3 (HOC, branch 3).\n";

std::int16_t readBranchNo(std::string_view text) {
  std::int16_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value == 0) {
    throw std::runtime_error("not a branch number: " + std::string(text));
  }
  return value;
}

std::vector<std::string> splitColons(std::string_view text) {
  std::vector<std::string> parts;
  for (;;) {
    const auto colon = text.find(':');
    parts.emplace_back(text.substr(0, colon));
    if (colon == std::string_view::npos) return parts;
    text = text.substr(colon + 1);
  }
}

velmora::sample::HeadOfficeSpec readHeadOffice(std::string_view text, bool reachable) {
  const auto parts = splitColons(text);
  velmora::sample::HeadOfficeSpec office;
  if (parts.size() == 3) {
    office = {.serverName = parts[0], .address = "", .companyPrefix = parts[1],
              .branchNo = readBranchNo(parts[2]), .reachable = reachable};
  } else if (parts.size() == 4 && reachable) {
    office = {.serverName = parts[0], .address = parts[1], .companyPrefix = parts[2],
              .branchNo = readBranchNo(parts[3]), .reachable = reachable};
  } else {
    throw std::runtime_error("cannot read the head office " + std::string(text));
  }
  return office;
}

int run(const std::vector<std::string_view>& args) {
  velmora::sample::CompanyLayout layout;
  bool listed = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const auto value = [&]() -> std::string_view {
      if (i + 1 >= args.size()) throw std::runtime_error(std::string(arg) + " needs a value");
      return args[++i];
    };
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return EXIT_SUCCESS;
    } else if (arg == "--home") {
      layout.home = std::string(value());
    } else if (arg == "--branch-no") {
      layout.branchNo = readBranchNo(value());
    } else if (arg == "--prefix") {
      layout.companyPrefix = std::string(value());
    } else if (arg == "--no-rows") {
      layout.sampleRows = false;
    } else if (arg == "--ho" || arg == "--unreachable") {
      layout.headOffices.push_back(readHeadOffice(value(), arg == "--ho"));
      listed = true;
    } else {
      throw std::runtime_error("unknown option " + std::string(arg));
    }
  }
  if (layout.home.empty()) throw std::runtime_error("--home DIR is required");
  if (!listed) {
    auto defaults = velmora::sample::defaultLayout(layout.home);
    layout.headOffices = std::move(defaults.headOffices);
  }

  velmora::sample::layOutCompany(layout);
  std::cout << "Laid out " << layout.home.string() << ":\n";
  std::cout << "  branch " << layout.branchNo << " (" << layout.branchServer << "): "
            << velmora::sample::branchDatabase(layout, velmora::sample::SiteDatabase::kMain).string()
            << ", "
            << velmora::sample::branchDatabase(layout, velmora::sample::SiteDatabase::kYear).string()
            << "\n";
  for (const auto& office : layout.headOffices) {
    std::cout << "  head office " << office.branchNo << " (" << office.serverName;
    if (!office.address.empty()) std::cout << ", " << office.address;
    std::cout << "): ";
    if (office.reachable) {
      std::cout << velmora::sample::headOfficeDatabase(layout, office.serverName,
                                                       velmora::sample::SiteDatabase::kMain)
                       .string()
                << ", "
                << velmora::sample::headOfficeDatabase(layout, office.serverName,
                                                       velmora::sample::SiteDatabase::kYear)
                       .string();
    } else {
      std::cout << "unreachable";
    }
    std::cout << "\n";
  }
  return EXIT_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(std::vector<std::string_view>(argv + 1, argv + argc));
  } catch (const std::exception& e) {
    std::cerr << "velmora-sample: " << e.what() << "\n";
    return EXIT_FAILURE;
  }
}
