// install_report.cpp: version code, adapter address, the Collect-Data line, the request.
#include "net/install_report.h"
#include "build_config.h"
#include <cstring>

namespace {

// What NCBASTAT fills: the adapter status and room for its name table.
struct CAdapterStatusBuffer
{
    ADAPTER_STATUS m_status;
    NAME_BUFFER m_names[30];
};

#ifndef _WIN64
static_assert(sizeof(NCB) == 64, "NCB of the 32-bit platform");
#endif
static_assert(sizeof(CAdapterStatusBuffer) == 600, "the status query's buffer: one status and 30 names");

} // namespace

std::string GetInstallReportUrl()
{
    return std::string("http://") + VL_COLLECT_HOST + INSTALL_REPORT_PATH;
}

std::wstring FormatMacAddress(const UCHAR abAddress[6])
{
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring str;
    for (int i = 0; i < 6; ++i) {
        str += kHex[abAddress[i] >> 4];
        str += kHex[abAddress[i] & 0x0F];
    }
    return str;
}

std::wstring GetMacAddress(const NetbiosFn& fnNetbios)
{
    NCB ncb;
    memset(&ncb, 0, sizeof(ncb));
    LANA_ENUM lanaEnum;
    memset(&lanaEnum, 0, sizeof(lanaEnum));
    ncb.ncb_command = NCBENUM;
    ncb.ncb_buffer = reinterpret_cast<PUCHAR>(&lanaEnum);
    ncb.ncb_length = sizeof(lanaEnum);
    if (fnNetbios(&ncb) != NRC_GOODRET)
        return std::wstring();

    // An adapter must be reset before it answers; any one reset will do.
    if (lanaEnum.length > 0) {
        bool bReset = false;
        for (UCHAR i = 0; i < lanaEnum.length && i < MAX_LANA + 1 && !bReset; ++i) {
            ncb.ncb_command = NCBRESET;
            ncb.ncb_lana_num = lanaEnum.lana[i];
            bReset = fnNetbios(&ncb) == NRC_GOODRET;
        }
        if (!bReset)
            return std::wstring();
    }

    // The status query goes to the first LANA, whichever one reset.
    CAdapterStatusBuffer status;
    memset(&status, 0, sizeof(status));
    memset(&ncb, 0, sizeof(ncb));
    ncb.ncb_command = NCBASTAT;
    ncb.ncb_lana_num = lanaEnum.lana[0];
    ncb.ncb_callname[0] = '*';
    ncb.ncb_buffer = reinterpret_cast<PUCHAR>(&status);
    ncb.ncb_length = sizeof(status);
    if (fnNetbios(&ncb) != NRC_GOODRET)
        return std::wstring();
    return FormatMacAddress(status.m_status.adapter_address);
}

std::wstring GetMacAddress()
{
    return GetMacAddress([](PNCB pNcb) { return Netbios(pNcb); });
}

std::wstring FormatCollectDataHeader(unsigned nVerCode, const std::wstring& strMac)
{
    // The version is written as a signed number, as the server has always seen it.
    return std::wstring(INSTALL_REPORT_HEADER) + L": 1.1." + DecimalText(static_cast<int>(nVerCode)) +
           L"/win-pc///win-pc////pc-" + strMac + L"/\r\n";
}

CHttpRequestParam BuildInstallReport(unsigned nVerCode, const std::wstring& strMac)
{
    CHttpRequestParam param;
    param.m_strUrl = AnsiToWide(GetInstallReportUrl().c_str());
    param.m_nPort = INSTALL_REPORT_PORT;
    param.m_nMethod = INSTALL_REPORT_METHOD;
    param.m_strHeaders = FormatCollectDataHeader(nVerCode, strMac);
    param.m_strBody.append(INSTALL_REPORT_BODY);
    return param;
}

int QueueInstallReport(CHttpRequestManager& manager, const std::wstring& strInstallDir)
{
    return manager.AddRequest(BuildInstallReport(GetAppVerCode(strInstallDir), GetMacAddress()));
}
