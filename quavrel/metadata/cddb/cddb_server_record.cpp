#include "quavrel/metadata/cddb/cddb_server_record.h"

#include "quavrel/metadata/cddb/ansi_text.h"

CddbServerRecord::CddbServerRecord(const CddbServerTexts &Texts)
    : server_(ToAnsi(Texts.Server)), cgiPath_(ToAnsi(Texts.CgiPath)), userName_(ToAnsi(Texts.UserName)),
      hostName_(ToAnsi(Texts.HostName)), record_{server_.data(), cgiPath_.data(), userName_.data(),
                                                 hostName_.data()}
{
}
