#include "Agentwick/middleagentclient.h"

int CMiddleAgentClient::mm_register() {
  set_create_string("register :operation register");
  set_destroy_string("unregister :operation unregister");
  return change_state(3);
}

int CMiddleAgentClient::mm_unregister() {
  set_destroy_string("unregister :operation unregister");
  return change_state(4);
}

int CMiddleAgentClient::mm_advertise(const char* advertisement) {
  if (advertisement == nullptr) return 0;
  set_advertisement(advertisement);
  return change_state(3);
}

int CMiddleAgentClient::mm_unadvertise() {
  set_destroy_string("unadvertise :operation unadvertise");
  return change_state(4);
}
