/* A stand-in for the network-management module, loaded by path by the NetApi32DLL tests. Built twice:
   with every function, and without DsRoleFreeMemory (LEAVE_OUT_DSROLEFREEMEMORY). Each function
   answers a number of its own so a test can tell that the right address was taken. The functions use
   the published interface's calling convention, as the real module does. */
#include <stdint.h>

#include "lumenrt/platform/calling_convention.h"

uint32_t LUMENRT_STDCALL NetDfsGetInfo(void* a, void* b, void* c, uint32_t d, void* e) {
  (void)a, (void)b, (void)c, (void)d, (void)e;
  return 101;
}
uint32_t LUMENRT_STDCALL NetShareEnum(void* a, uint32_t b, void* c, uint32_t d, void* e, void* f, void* g) {
  (void)a, (void)b, (void)c, (void)d, (void)e, (void)f, (void)g;
  return 102;
}
uint32_t LUMENRT_STDCALL NetShareGetInfo(void* a, void* b, uint32_t c, void* d) {
  (void)a, (void)b, (void)c, (void)d;
  return 103;
}
uint32_t LUMENRT_STDCALL NetShareAdd(void* a, uint32_t b, void* c, void* d) {
  (void)a, (void)b, (void)c, (void)d;
  return 104;
}
uint32_t LUMENRT_STDCALL NetShareDel(void* a, void* b, uint32_t c) {
  (void)a, (void)b, (void)c;
  return 105;
}
uint32_t LUMENRT_STDCALL NetApiBufferFree(void* a) {
  (void)a;
  return 106;
}
uint32_t LUMENRT_STDCALL DsRoleGetPrimaryDomainInformation(const void* a, int b, void* c) {
  (void)a, (void)b, (void)c;
  return 107;
}
#ifndef LEAVE_OUT_DSROLEFREEMEMORY
void LUMENRT_STDCALL DsRoleFreeMemory(void* a) { (void)a; }
#endif
