#pragma once
// The server texts as Ostrelle's 8-bit record; the record's texts live as long as this object.

#include "ostrelle/ostrelle.h"
#include "quavrel/metadata/cddb/cddb_server.h"

#include <QByteArray>

class CddbServerRecord {
  public:
    explicit CddbServerRecord(const CddbServerTexts &Texts);
    CddbServerRecord(const CddbServerRecord &) = delete;
    CddbServerRecord &operator=(const CddbServerRecord &) = delete;
    const TCddbServer *Record() const { return &record_; }

  private:
    QByteArray server_, cgiPath_, userName_, hostName_;
    TCddbServer record_;
};
