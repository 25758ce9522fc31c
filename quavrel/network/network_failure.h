#pragma once
// Why a request over QtNetwork failed, in French for the user.

#include <QString>

class QNetworkReply;

QString NetworkFailureText(const QNetworkReply &Reply);
