#include "platform/network-adapter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "platform/network-adapter-linux.h"
#include "support/sandbox.h"

namespace {

namespace fs = std::filesystem;

class NetClassTree : public ::testing::Test {
 protected:
  // One adapter folder as sysfs shows it.
  void Adapter(const std::string& name, int index, int type, const std::string& address, bool wireless = false) {
    const fs::path dir = sandbox_.root() / "net" / name;
    fs::create_directories(dir);
    Write(dir / "ifindex", std::to_string(index));
    Write(dir / "type", std::to_string(type));
    Write(dir / "addr_len", std::to_string((address.size() + 1) / 3));
    Write(dir / "address", address);
    if (wireless) fs::create_directories(dir / "wireless");
  }

  static void Write(const fs::path& file, const std::string& line) { std::ofstream(file) << line << '\n'; }

  fs::path root() const { return sandbox_.root() / "net"; }

  testing_sandbox::Sandbox sandbox_;
};

TEST_F(NetClassTree, TakesTheFirstWiredEthernetAdapterByIndex) {
  Adapter("lo", 1, 772, "00:00:00:00:00:00");
  Adapter("wlan0", 2, 1, "aa:aa:aa:aa:aa:aa", /*wireless=*/true);
  Adapter("ib0", 3, 32, "80:00:00:48:fe:80:00:00:00:00:00:00:00:00:00:00:00:00:00:01");
  Adapter("eth1", 7, 1, "0a:1b:2c:3d:4e:5f");
  Adapter("eth0", 4, 1, "de:ad:be:ef:00:01");
  EXPECT_EQ(platform::WiredAdapterAddressIn(root()), "DE:AD:BE:EF:00:01");
}

TEST_F(NetClassTree, NoWiredAdapterGivesAnEmptyText) {
  Adapter("lo", 1, 772, "00:00:00:00:00:00");
  Adapter("wlan0", 2, 1, "aa:aa:aa:aa:aa:aa", /*wireless=*/true);
  EXPECT_EQ(platform::WiredAdapterAddressIn(root()), "");
  EXPECT_EQ(platform::WiredAdapterAddressIn(root() / "missing"), "");
}

TEST(NetworkAdapter, TheMachineAddressIsEmptyOrSixUpperCaseBytes) {
  EXPECT_TRUE(std::regex_match(platform::WiredAdapterAddress(), std::regex("|([0-9A-F]{2}:){5}[0-9A-F]{2}")));
}

}  // namespace
