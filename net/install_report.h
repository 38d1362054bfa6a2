// install_report.h: the one report an installation sends to the collection server.
//
// The finish page queues it on its own request manager and forgets it:
//     QueueInstallReport(*this, strInstallDir);
// The pieces are free functions so that each can be checked on its own:
// the version code from the installed version.ini, the adapter address through
// NetBIOS (behind a replaceable call), the Collect-Data line and the request.
#pragma once
#include "engine/product.h"
#include "net/http_request_manager.h"
#include <nb30.h>
#include <functional>
#include <string>

// Where the report goes: http://<VL_COLLECT_HOST><INSTALL_REPORT_PATH>, port 80.
constexpr char INSTALL_REPORT_PATH[] = "/vellomar/v1/collect/device";
constexpr int INSTALL_REPORT_PORT = 80;
constexpr int INSTALL_REPORT_METHOD = 1;   // POST
constexpr char INSTALL_REPORT_BODY[] = "{\"opt\":0}";
constexpr wchar_t INSTALL_REPORT_HEADER[] = L"Collect-Data";

// The report's URL as narrow text (the host is chosen at build time).
std::string GetInstallReportUrl();

// Twelve upper-case hex digits, bytes in address order, no separators.
std::wstring FormatMacAddress(const UCHAR abAddress[6]);

// The NetBIOS call, replaceable so that tests can script adapters.
using NetbiosFn = std::function<UCHAR(PNCB)>;

// The address of the first NetBIOS adapter, or empty when it cannot be had.
std::wstring GetMacAddress(const NetbiosFn& fnNetbios);
std::wstring GetMacAddress();

// "Collect-Data: 1.1.<ver>/win-pc///win-pc////pc-<mac>/" and CR LF.
std::wstring FormatCollectDataHeader(unsigned nVerCode, const std::wstring& strMac);

// The complete request: POST, the URL, port 80, the one header, the body.
CHttpRequestParam BuildInstallReport(unsigned nVerCode, const std::wstring& strMac);

// Reads the version code and the address and adds the report to the manager.
// Returns the request id (callers may ignore it).
int QueueInstallReport(CHttpRequestManager& manager, const std::wstring& strInstallDir);
