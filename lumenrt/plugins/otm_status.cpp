#include "lumenrt/plugins/otm_status.h"

// Frozen: the agent's components show these texts to administrators.
const OtmStatusRow OtmStatusText[kOtmStatusRows] = {
    {0x60000003u, "OTM opened"},
    {0x60000004u, "OTM closed"},
    {0x60000005u, "Open Transaction Management deactivated for drive's partition"},
    {0xA0000001u, "Attempt to change drive's partition layout when OTM enabled"},
    {0xA0000002u, "Error during OTM operation, OTM disabled for rest of the session"},
    {0xA0000003u, "The request is pending"},
    {0xE0001001u, "OTM could not start due to the server being constantly busy"},
    {0xE0001002u, "OTM detected a deadlock"},
    {0xE0001003u, "Specified volume not active or deleted"},
    {0xE0001004u, "OTM was specified for a volume that is currently not being OTMed"},
    {0xE0001005u, "Cache file is full"},
    {0xE0001006u, "The application tryed to enabled OTM without first calling Otm_Register"},
    {0xE0001008u, "Another application already has OTMed locked exclusively"},
    {0xE0001009u, "OTM needs to be locked exclusive for this function to work"},
    {0xE000100Au, "Wrong version of the driver has been loaded on this system"},
    {0xE000100Bu, "A reboot is required before OTM can operate"},
    {0xE000100Cu, "OTM is not installed or you do not have appropriate permissions"},
    {0xE000100Du, "An incompatible DLL from another version of OTM is already loaded"},
    {0xE000100Eu, "Out of memory"},
    {0xE000100Fu, "Invalid parameter"},
    {0xE0001010u, "Invalid handle"},
    {0xE0001011u, "Not implemented yet"},
    {0xE0001012u, "Object type is not expected object"},
    {0xE0001013u, "User buffer is not large enough"},
    {0xE0001014u, "Out of available structures"},
    {0xE0001015u, "OTM is shutting down"},
    {0xE0001016u, "The device, volume or object does not exist"},
    {0xE0001017u, "Unsuccessful"},
    {0xE0001018u, "The device does not have any media loaded"},
    {0xE0001019u, "Object already exists"},
    {0xE000101Au, "Specified path is a directory and not a file"},
    {0xE000101Bu, "Invalid path was specified"},
    {0xE000101Cu, "The static volume was not mounted"},
    {0xE000101Du, "The static volume had errors during mount"},
    {0xE000101Eu, "The static volume could not be found"},
    {0xE000101Fu, "The volume the cache file resides on is out of disk space"},
    {0xE0001020u, "The volume the cache file resides on was dismounted"},
    {0xE0001021u, "The server was shutdown"},
    {0xE0001022u, "Unable to create cache file"},
    {kOtmClosingCode, "Undefined OTM error code"},
};

namespace lumenrt {

const char* OtmStatusMessage(std::uint32_t code) {
  const OtmStatusRow* row = OtmStatusText;
  while (row->code != kOtmClosingCode && row->code != code) ++row;
  return row->text;
}

}  // namespace lumenrt
