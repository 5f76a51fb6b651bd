#pragma once
// The statement editor's colours: Access SQL words, texts, numbers, #dates#, [names] and
// comments, each in a quiet colour of its own. A passage left open at the end of a line (a
// text, a comment...) goes on in the lines below, as the driver reads the statement.
#include "query/LexiqueSql.h"

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

namespace kervane {

class ColorationSql : public QSyntaxHighlighter {
    Q_OBJECT

public:
    explicit ColorationSql(QTextDocument* pDocument);

    // The format given to the pieces of that kind; a plain word or a sign keeps the editor's.
    static QTextCharFormat format(GenreJeton genre);

protected:
    void highlightBlock(const QString& strTexte) override;
};

}  // namespace kervane
