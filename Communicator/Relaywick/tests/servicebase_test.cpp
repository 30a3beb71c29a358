#include "Relaywick/servicebase.h"

#include <gtest/gtest.h>

#include "Toolwick/llist.h"

namespace {

TEST(ServiceBase, NamedByItsAddressAndFoundByIt) {
  CLList services;
  auto* local = new CServiceBase;
  auto* remote = new CServiceBase;
  remote->set_ip("10.1.2.3");
  remote->set_port(6678);
  remote->set_localization(2);
  services.add_element(local);
  services.add_element(remote);

  EXPECT_EQ(services.find_element("127.0.0.1"), local);
  EXPECT_EQ(local->get_port(), 0u);
  EXPECT_EQ(local->get_localization(), 0);
  auto* found = dynamic_cast<CServiceBase*>(services.find_element("10.1.2.3"));
  ASSERT_EQ(found, remote);
  EXPECT_EQ(found->get_port(), 6678u);
  EXPECT_EQ(found->get_localization(), 2);
}

}  // namespace
