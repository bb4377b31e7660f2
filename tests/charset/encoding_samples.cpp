// Dialogue lines in eleven languages, written out as SubRip files in the encodings of the table
// that can hold them.
#include "encoding_samples.h"

#include "charset/code_page.h"

#include <QStringList>

namespace {

struct Language {
    const char* name;
    std::initializer_list<std::uint32_t> codePages;
    std::initializer_list<const char*> lines;
};

const Language kLanguages[] = {
    {"Simplified Chinese",
     {936, 65001},
     {"你今天晚上想去哪里吃饭？", "我不知道，你决定吧。", "外面下雨了，我们还是在家里吧。",
      "他说明天早上八点会来接我们。", "对不起，我来晚了。路上堵车很厉害。", "这件事情你为什么不早点告诉我？",
      "我们必须在天黑之前离开这里。", "别担心，一切都会好起来的。", "你还记得我们第一次见面的地方吗？",
      "警察已经在路上了，快跑！", "我一直在找你，你去哪儿了？", "谢谢你帮了我这么多忙。"}},
    {"Traditional Chinese",
     {950},
     {"你今天晚上想去哪裡吃飯？", "我不知道，你決定吧。", "外面下雨了，我們還是在家裡吧。",
      "他說明天早上八點會來接我們。", "對不起，我來晚了。路上塞車很厲害。", "這件事情你為什麼不早點告訴我？",
      "我們必須在天黑之前離開這裡。", "別擔心，一切都會好起來的。", "你還記得我們第一次見面的地方嗎？",
      "警察已經在路上了，快跑！", "我一直在找你，你去哪兒了？", "謝謝你幫了我這麼多忙。"}},
    {"Japanese",
     {932, 51932, 50932},
     {"今夜はどこで食事をしたいですか？", "わかりません。あなたが決めてください。",
      "外は雨が降っているから、家にいましょう。", "彼は明日の朝八時に迎えに来ると言った。",
      "遅れてごめんなさい。道がとても混んでいました。", "どうしてもっと早く教えてくれなかったの？",
      "暗くなる前にここを出なければならない。", "心配しないで、全部うまくいくよ。",
      "初めて会った場所を覚えていますか？", "警察がもう向かっている、早く逃げろ！",
      "ずっと探していたんだ。どこに行っていたの？", "いろいろ手伝ってくれてありがとう。"}},
    {"Korean",
     {949},
     {"오늘 저녁에 어디서 밥 먹고 싶어?", "모르겠어. 네가 정해.", "밖에 비가 오니까 그냥 집에 있자.",
      "그는 내일 아침 여덟 시에 데리러 온다고 했어.", "늦어서 미안해. 길이 너무 막혔어.",
      "왜 이 일을 좀 더 일찍 말해 주지 않았어?", "어두워지기 전에 여기를 떠나야 해.",
      "걱정하지 마, 다 잘될 거야.", "우리가 처음 만났던 곳을 기억해?", "경찰이 벌써 오고 있어, 빨리 도망가!",
      "계속 너를 찾고 있었어. 어디 갔었니?", "이렇게 많이 도와줘서 고마워."}},
    {"Russian",
     {1251, 20866, 28595},
     {"Где ты хочешь поужинать сегодня вечером?", "Не знаю, решай сам.",
      "На улице дождь, давай лучше останемся дома.", "Он сказал, что заедет за нами завтра в восемь утра.",
      "Прости, что опоздал. На дорогах ужасные пробки.", "Почему ты не сказал мне об этом раньше?",
      "Мы должны уйти отсюда до темноты.", "Не волнуйся, всё будет хорошо.",
      "Ты помнишь место, где мы впервые встретились?", "Полиция уже едет, беги!",
      "Я тебя везде искал. Где ты был?", "Спасибо, что так мне помог."}},
    {"Polish",
     {1250, 28592},
     {"Gdzie chcesz dzisiaj zjeść kolację?", "Nie wiem, ty zdecyduj.",
      "Na dworze pada deszcz, zostańmy lepiej w domu.",
      "Powiedział, że przyjedzie po nas jutro o ósmej rano.",
      "Przepraszam za spóźnienie. Na drogach były straszne korki.",
      "Dlaczego nie powiedziałeś mi o tym wcześniej?", "Musimy stąd wyjść przed zmrokiem.",
      "Nie martw się, wszystko będzie dobrze.", "Pamiętasz miejsce, w którym się poznaliśmy?",
      "Policja już jedzie, uciekaj!", "Szukałem cię wszędzie. Gdzie byłeś?",
      "Dziękuję, że tak bardzo mi pomogłeś. Źle się czuję, żółw też."}},
    {"Czech",
     {1250, 28592},
     {"Kde chceš dnes večer jíst?", "Nevím, rozhodni se ty.", "Venku prší, raději zůstaneme doma.",
      "Řekl, že pro nás zítra ráno v osm přijede.", "Promiň, že jdu pozdě. Na silnicích byly hrozné zácpy.",
      "Proč jsi mi to neřekl dřív?", "Musíme odsud odejít, než se setmí.",
      "Neboj se, všechno bude v pořádku.", "Pamatuješ si místo, kde jsme se poprvé potkali?",
      "Policie už je na cestě, utíkej!", "Všude jsem tě hledal. Kde jsi byl?",
      "Děkuju, že jsi mi tolik pomohl."}},
    {"Greek",
     {1253, 28597},
     {"Πού θέλεις να φάμε απόψε;", "Δεν ξέρω, αποφάσισε εσύ.", "Έξω βρέχει, καλύτερα να μείνουμε σπίτι.",
      "Είπε ότι θα έρθει να μας πάρει αύριο στις οκτώ το πρωί.", "Συγγνώμη που άργησα. Είχε τρομερή κίνηση.",
      "Γιατί δεν μου το είπες νωρίτερα;", "Πρέπει να φύγουμε από εδώ πριν σκοτεινιάσει.",
      "Μην ανησυχείς, όλα θα πάνε καλά.", "Θυμάσαι το μέρος όπου γνωριστήκαμε;",
      "Η αστυνομία έρχεται ήδη, τρέξε!", "Σε έψαχνα παντού. Πού ήσουν;",
      "Σ' ευχαριστώ που με βοήθησες τόσο πολύ."}},
    {"Arabic",
     {1256},
     {"أين تريد أن نتناول العشاء الليلة؟", "لا أعرف، قرر أنت.",
      "إنها تمطر في الخارج، من الأفضل أن نبقى في البيت.", "قال إنه سيأتي ليأخذنا غداً في الثامنة صباحاً.",
      "آسف على التأخير. كان الطريق مزدحماً جداً.", "لماذا لم تخبرني بهذا من قبل؟",
      "يجب أن نغادر هذا المكان قبل حلول الظلام.", "لا تقلق، كل شيء سيكون على ما يرام.",
      "هل تتذكر المكان الذي التقينا فيه أول مرة؟", "الشرطة في الطريق، اهرب!",
      "كنت أبحث عنك في كل مكان. أين كنت؟", "شكراً لأنك ساعدتني كثيراً."}},
    {"Hebrew",
     {1255},
     {"איפה אתה רוצה לאכול ארוחת ערב הלילה?", "אני לא יודע, תחליט אתה.", "יורד גשם בחוץ, עדיף שנישאר בבית.",
      "הוא אמר שהוא יבוא לאסוף אותנו מחר בשמונה בבוקר.", "סליחה שאיחרתי. היו פקקים נוראיים.",
      "למה לא סיפרת לי את זה קודם?", "אנחנו חייבים לצאת מכאן לפני שיחשיך.", "אל תדאג, הכול יהיה בסדר.",
      "אתה זוכר את המקום שבו נפגשנו בפעם הראשונה?", "המשטרה כבר בדרך, תברח!",
      "חיפשתי אותך בכל מקום. איפה היית?", "תודה שעזרת לי כל כך הרבה."}},
    {"Thai",
     {874},
     {"คืนนี้คุณอยากไปกินข้าวที่ไหน", "ฉันไม่รู้ คุณตัดสินใจเถอะ", "ข้างนอกฝนตก เราอยู่บ้านกันดีกว่า",
      "เขาบอกว่าจะมารับเราพรุ่งนี้ตอนแปดโมงเช้า", "ขอโทษที่มาสาย รถติดมากเลย", "ทำไมคุณไม่บอกฉันเรื่องนี้ให้เร็วกว่านี้",
      "เราต้องออกไปจากที่นี่ก่อนมืด", "ไม่ต้องห่วง ทุกอย่างจะเรียบร้อย", "คุณจำที่ที่เราเจอกันครั้งแรกได้ไหม",
      "ตำรวจกำลังมาแล้ว หนีเร็ว", "ฉันตามหาคุณทุกที่เลย คุณไปไหนมา", "ขอบคุณที่ช่วยฉันมากขนาดนี้"}},
    {"French",
     {1252},
     {"Où veux-tu dîner ce soir ?", "Je ne sais pas, c'est toi qui décides.",
      "Il pleut dehors, on ferait mieux de rester à la maison.",
      "Il a dit qu'il viendrait nous chercher demain à huit heures.",
      "Désolé d'être en retard. Il y avait des embouteillages.", "Pourquoi tu ne me l'as pas dit plus tôt ?",
      "Nous devons partir d'ici avant la nuit.", "Ne t'inquiète pas, tout ira bien.",
      "Tu te souviens de l'endroit où nous nous sommes rencontrés ?", "La police arrive déjà, cours !",
      "Je t'ai cherché partout. Où étais-tu ?", "Merci de m'avoir autant aidé. Ça m'a été très utile."}},
    {"German",
     {1252},
     {"Wo möchtest du heute Abend essen?", "Ich weiß nicht, entscheide du.",
      "Draußen regnet es, wir bleiben lieber zu Hause.", "Er sagte, er holt uns morgen um acht Uhr früh ab.",
      "Entschuldige die Verspätung. Die Straßen waren völlig verstopft.",
      "Warum hast du mir das nicht früher gesagt?", "Wir müssen hier weg, bevor es dunkel wird.",
      "Keine Sorge, alles wird gut.", "Erinnerst du dich an den Ort, wo wir uns kennengelernt haben?",
      "Die Polizei ist schon unterwegs, lauf!", "Ich habe dich überall gesucht. Wo warst du?",
      "Danke, dass du mir so sehr geholfen hast."}},
};

QString subRipFile(const QStringList& lines, int entries) {
    QString file;
    for (int i = 0; i < entries; ++i) {
        const int start = 1000 + i * 3000;
        auto clock = [](int ms) {
            return QStringLiteral("%1:%2:%3,%4")
                .arg(ms / 3600000, 2, 10, QChar(u'0'))
                .arg(ms / 60000 % 60, 2, 10, QChar(u'0'))
                .arg(ms / 1000 % 60, 2, 10, QChar(u'0'))
                .arg(ms % 1000, 3, 10, QChar(u'0'));
        };
        file += QString::number(i + 1) + "\r\n" + clock(start) + " --> " + clock(start + 2500) + "\r\n";
        file += lines[(i * 7) % lines.size()] + "\r\n";
        if (i % 3 == 2)
            file += lines[(i * 7 + 5) % lines.size()] + "\r\n";
        file += "\r\n";
    }
    return file;
}

} // namespace

QVector<EncodingSample> encodingSamples() {
    QVector<EncodingSample> samples;
    for (const Language& language : kLanguages) {
        QStringList lines;
        for (const char* l : language.lines)
            lines << QString::fromUtf8(l);
        for (std::uint32_t codePage : language.codePages)
            for (bool isLong : {false, true}) {
                const QString text = subRipFile(lines, isLong ? 400 : 4);
                const std::optional<QByteArray> bytes = encodeText(text, codePage, '\x01');
                if (!bytes || bytes->contains('\x01') || decodeBytes(*bytes, codePage) != text)
                    continue; // a language the code page cannot write without loss is no sample
                samples.append({QString::fromLatin1(language.name), codePage, isLong, text, *bytes});
            }
    }
    return samples;
}
