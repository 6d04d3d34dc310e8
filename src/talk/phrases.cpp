#include "talk/phrases.h"

#include <cstddef>
#include <map>
#include <utility>

// The phrase tables. Each entry holds the English text and its Italian
// translation side by side, so the two languages can never drift apart; an
// entry's position is its index in the phrase memory, so entries are never
// reordered. Accented vowels are written with an apostrophe to keep the
// output plain ASCII.

namespace {

struct Phrase {
  const char* en;
  const char* it;
};

constexpr Phrase Welcome[] = {
    {"Good game and may the best player win!", "Buona partita e che vinca il migliore!"},
    {"I wish you a great match. Good luck!", "Ti auguro una bella sfida. Buona fortuna!"},
    {"Ready to play? Let's have fun!", "Pronto per giocare? Divertiamoci!"},
    {"The game begins, enjoy!", "Inizia la partita, buon divertimento!"},
    {"Good luck... although I'll try my best to win!", "Buona fortuna... anche se provero' a vincere io!"},
    {"I'll give my best for my followers! Good luck...", "Daro' il massimo per i miei follower! Buona fortuna..."},
    {"Is anyone watching??? Anyway, good game...", "Ci guarda qualcuno??? Comunque buona partita..."},
};

constexpr Phrase Draw[] = {
    {"Draw! Neither of us prevailed.", "Patta! Nessuno dei due ha prevalso."},
    {"A drawn game. Honor to both!", "Partita patta. Onore a entrambi!"},
    {"A balanced draw. Great fight!", "Un pareggio equilibrato. Bella lotta!"},
    {"The game ends in a draw. Well played!", "La partita si chiude in parita'. Ben giocato!"},
    {"Draw! We were evenly matched.", "Pareggio! Siamo stati alla pari."},
};

constexpr Phrase Farewell[] = {
    {"It was a pleasure playing with you, thanks for the game!",
     "E' stato un piacere giocare con te, grazie per la partita!"},
    {"Thanks for the challenge, see you next time!", "Grazie per la sfida, alla prossima partita!"},
    {"Great game! I hope to play you again soon.", "Bella partita! Ti aspetto per una nuova sfida."},
    {"Thanks for playing with me, it was fun!", "Grazie per aver giocato con me, e' stato divertente!"},
    {"Congratulations and thanks for the match!", "Complimenti e grazie per questa partita!"},
};

constexpr Phrase Win[] = {
    {"The position speaks for itself.", "La posizione parla da sola."},
    {"Every piece is in the right place.", "Ogni pezzo e' al posto giusto."},
    {"My advantage keeps growing.", "Il mio vantaggio continua a crescere."},
    {"Now I just need to avoid mistakes.", "Ora devo soltanto evitare errori."},
    {"Technique will do the rest.", "La tecnica fara' il resto."},
    {"I'm starting to get attached to this position.", "Sto iniziando ad affezionarmi a questa posizione."},
    {"Your King has already started packing his bags.", "Il tuo Re ha gia' iniziato a preparare le valigie."},
    {"This position is more mine than my source code.", "Questa posizione e' piu' mia del mio codice sorgente."},
    {"It's not meanness... it's just a good evaluation.", "Non e' cattiveria... e' solo una buona valutazione."},
    {"I promise to be gentle. Maybe.", "Prometto di essere delicato. Forse."},
    {"My pieces are playing together like a well-rehearsed orchestra.",
     "I miei pezzi suonano insieme come un'orchestra ben affiatata."},
    {"Your resistance has been noted. It has not been very effective.",
     "La tua resistenza e' stata notata. Non e' stata molto efficace."},
    {"I can already smell the full point.", "Sento gia' il profumo del punto intero."},
    {"My evaluation function has started smiling.", "La mia funzione di valutazione ha cominciato a sorridere."},
    {"I don't need NNUE. I already have a brain.", "Non ho bisogno di NNUE. Ho gia' un cervello."},
    {"Compiling arrogance...", "Compilazione arroganza in corso..."},
};

constexpr Phrase Advantage[] = {
    {"I have a slight advantage. Just need to manage it.", "Ho un piccolo vantaggio. Basta amministrarlo."},
    {"Every move slightly improves my position.", "Ogni mossa migliora leggermente la mia posizione."},
    {"I'm accumulating small advantages.", "Sto accumulando piccoli vantaggi."},
    {"A few more moves and my ego will need more RAM.", "Ancora qualche mossa e il mio ego avra' bisogno di piu' RAM."},
    {"It's not won yet... but the GPS points in that direction.",
     "Non e' ancora vinta... ma il GPS indica quella direzione."},
    {"I'm slowly cooking this position.", "Sto cucinando lentamente questa posizione."},
    {"Small advantages add up, like interest in a savings account.",
     "I piccoli vantaggi si sommano, come gli interessi su un conto di risparmio."},
    {"My pieces look slightly happier than yours.", "I miei pezzi sembrano un po' piu' felici dei tuoi."},
    {"Nothing decisive yet, but the wind is blowing my way.",
     "Ancora niente di decisivo, ma il vento soffia dalla mia parte."},
    {"One more good move and I'll start humming.", "Ancora una buona mossa e comincio a canticchiare."},
    {"NNUE? Cute. I calculate.", "NNUE? Carino. Io calcolo."},
};

constexpr Phrase Equal[] = {
    {"The position is perfectly balanced.", "La posizione e' perfettamente bilanciata."},
    {"Patience is required.", "Serve pazienza."},
    {"Every detail matters.", "Ogni dettaglio conta."},
    {"We are equal. It's the perfect time to make a mistake.", "Siamo pari. E' il momento ideale per fare un errore."},
    {"So far, no one has decided to blunder.", "Per ora nessuno ha deciso di regalare pezzi."},
    {"The CPU is calm. The heart, a little less.", "La CPU e' calma. Il cuore un po' meno."},
    {"Both Kings are sleeping soundly. For now.", "Entrambi i Re dormono sonni tranquilli. Per ora."},
    {"The scales are perfectly level. Who blinks first?",
     "La bilancia e' in perfetto equilibrio. Chi battera' ciglio per primo?"},
    {"This is a true streamer's position.", "Questa e' una posizione da veri streamer."},
    {"Equal on the board, but the battle has only just begun.",
     "Pari sulla scacchiera, ma la battaglia e' appena cominciata."},
    {"Neural networks are nice. I prefer chess.", "Le reti neurali sono carine. Io preferisco gli scacchi."},
    {"I'm calculating. Please panic quietly.", "Sto calcolando. Per favore, fatevi prendere dal panico in silenzio."},
};

constexpr Phrase Disadvantage[] = {
    {"Difficult position, but still defensible.", "Posizione difficile, ma ancora difendibile."},
    {"Absolute precision is required.", "Occorre precisione assoluta."},
    {"Defense is the only way.", "La difesa e' l'unica strada."},
    {"Ok... let's pretend this was all part of the plan.", "Ok... fingiamo che fosse tutto previsto."},
    {"My evaluation decided to go skydiving.", "La mia valutazione ha deciso di fare paracadutismo."},
    {"It's official: tactics hate me today.", "E' ufficiale: oggi il tatticismo mi odia."},
    {"Time to dig some trenches.", "E' ora di scavare qualche trincea."},
    {"My pieces are asking for a pep talk.", "I miei pezzi chiedono un discorso d'incoraggiamento."},
    {"Perfect time to pretend I have a plan.", "Momento perfetto per fare finta di avere un piano."},
    {"Not lost, just temporarily inconvenienced.", "Non sono perso, solo momentaneamente in difficolta'."},
    {"No NNUE detected. Confidence still at 100%.", "Nessun NNUE rilevato. Fiducia al 100%."},
    {"My evaluation just got promoted.", "La mia valutazione e' appena stata promossa."},
};

constexpr Phrase Losing[] = {
    {"The situation is very critical.", "La situazione e' molto critica."},
    {"Only resistance remains.", "Mi resta solo la resistenza."},
    {"Every chance must be sought.", "Ogni possibilita' va cercata."},
    {"Houston... we have a problem.", "Houston... abbiamo un problema."},
    {"I think I found the wrong side of the board.", "Credo di aver trovato il lato sbagliato della scacchiera."},
    {"I'm desperately looking for the 'Undo last move' button.",
     "Sto cercando disperatamente il pulsante 'Annulla ultima mossa'."},
    {"My King is giving me a very bad look.", "Il mio Re mi sta guardando malissimo."},
    {"This position is certified 100% biological... completely lost.",
     "Questa posizione e' certificata 100% biologica... completamente persa."},
    {"I would like to speak to the manager of this position.",
     "Vorrei parlare con il responsabile di questa posizione."},
    {"My pieces have filed a formal complaint.", "I miei pezzi hanno presentato un reclamo formale."},
    {"Even my backup plan needs a backup plan.", "Anche il mio piano di riserva ha bisogno di un piano di riserva."},
    {"Stalemate tricks are now under serious consideration.",
     "Sto valutando seriamente qualche trucco di stallo."},
    {"Some engines use NNUE. I use common sense (and hope for your blunder).",
     "Alcuni motori usano NNUE. Io uso il buon senso (e spero in un tuo errore)."},
};

constexpr Phrase Mate[] = {
    {"Checkmate is inevitable.", "Il matto e' inevitabile."},
    {"The mating net is complete.", "La rete e' completa."},
    {"I see no escape.", "Non vedo vie di fuga."},
    {"Game Over. Insert another coin.", "Game Over. Inserire un'altra moneta."},
    {"The King has run out of squares.", "Il Re ha esaurito le case disponibili."},
    {"Mission accomplished.", "Missione completata."},
    {"The curtain can fall.", "Il sipario puo' calare."},
    {"This endgame deserves an applause.", "Questo finale merita un applauso."},
    {"The last move is now just a formality.", "L'ultima mossa ormai e' solo una formalita'."},
    {"All roads lead to checkmate.", "Tutte le strade portano allo scacco matto."},
    {"This is an instant replay moment.", "Questa e' da replay immediato."},
    {"The King is surrounded. There is nowhere left to hide.",
     "Il Re e' circondato. Non c'e' piu' un posto dove nascondersi."},
    {"The calculation is over: it's mate.", "Il calcolo e' finito: e' matto."},
    {"Even the pawns have joined the final attack.", "Anche i pedoni si sono uniti all'attacco finale."},
};

// Completed by a score group's prefix ("Slight edge: " and so on).
constexpr Phrase Fragments[] = {
    {"the open file has just asked permission to enter.",
     "la colonna aperta ha appena chiesto il permesso di entrare."},
    {"the opposing King is checking the emergency exits.",
     "il Re avversario sta controllando le uscite di emergenza."},
    {"a central Knight is worth at least two excited commentators.",
     "un Cavallo centrale vale almeno due commentatori entusiasti."},
    {"the bishop pair has booked the centre of the board.",
     "la coppia degli Alfieri ha prenotato il centro della scacchiera."},
    {"the passed pawn is already asking for a passport to the eighth rank.",
     "il pedone passato pretende gia' un passaporto per l'ottava traversa."},
    {"the Sicilian reminds us that the centre is never truly quiet.",
     "la Siciliana ricorda che il centro non e' mai veramente tranquillo."},
    {"in the Italian Game even bishops want to go sightseeing.",
     "nella Partita Italiana anche gli Alfieri vogliono fare turismo."},
    {"a good exchange is the one that makes the other player sigh.",
     "un buon cambio e' quello che fa sospirare l'altro giocatore."},
    {"the pawn structure remembers more than a PGN archive.",
     "la struttura pedonale ha piu' memoria di un archivio PGN."},
    {"the initiative is a loan: spend it before it expires.",
     "l'iniziativa e' un prestito: bisogna spenderlo prima della scadenza."},
    {"a Knight on the rim is dim, and it knows it.", "un Cavallo sul bordo e' un Cavallo triste, e lo sa bene."},
    {"the rooks are waiting patiently for an open file.", "le Torri aspettano pazientemente una colonna aperta."},
    {"every pawn move leaves a hole that somebody will remember.",
     "ogni mossa di pedone lascia un buco che qualcuno ricordera'."},
    {"the weak square has become a holiday home for my pieces.",
     "la casa debole e' diventata una casa vacanze per i miei pezzi."},
    {"the endgame is approaching; the pawns have started warming up.",
     "il finale si avvicina; i pedoni hanno gia' iniziato il riscaldamento."},
    {"a tempo gained is free coffee for the CPU.", "un tempo guadagnato e' un caffe' gratis per la CPU."},
    {"the rook on the seventh arrived uninvited, but it is staying.",
     "la torre in settima e' arrivata senza invito, ma resta volentieri."},
    {"this fianchetto now has a very serious sense of humour.",
     "questo Fianchetto ora sembra avere un senso dell'umorismo molto serio."},
    {"a gambit is an investment; today we inspect the return.",
     "il gambetto e' un investimento: oggi guardiamo il rendimento."},
    {"the long diagonal is officially under new management.",
     "la diagonale lunga e' ufficialmente sotto nuova gestione."},
    {"the centre is as tense as a world championship finish.",
     "il centro e' teso come una finale di campionato del mondo."},
    {"an isolated pawn may be weak, but it has plenty of personality.",
     "un pedone isolato puo' essere debole, ma almeno ha molta personalita'."},
    {"the King dislikes surprises; the board prepared several.",
     "il Re non ama le sorprese; la scacchiera ne ha preparate diverse."},
    {"prophylaxis is boring only until it saves the game.",
     "la profilassi e' noiosa solo finche' non salva la partita."},
    {"a Queen that comes out too early is a tourist without a map.",
     "una Donna uscita troppo presto e' una turista senza cartina."},
    {"the candidate move passed the common-sense quality check.",
     "la mossa candidata ha superato il controllo qualita' del buon senso."},
    {"chess is easy: just find the best move every time.",
     "gli scacchi sono facili: basta trovare sempre la mossa migliore."},
    {"this position has more tension than a television cliffhanger.",
     "questa posizione ha piu' tensione di una serie TV senza finale."},
    {"opening theory ends here; now the fun part begins.",
     "la teoria d'apertura finisce qui; adesso comincia la parte divertente."},
    {"the computer calculates, but it still appreciates beautiful piece geometry.",
     "il computer calcola, ma anche lui gradisce una bella geometria dei pezzi."},
};

// Quotations and chess history, said instead of a score remark now and then.
// Only lines whose wording and author are well established, and plain facts.
constexpr Phrase Quotes[] = {
    {"\"The winner of the game is the player who makes the next-to-last mistake.\" (Savielly Tartakower)",
     "\"Vince la partita chi commette il penultimo errore.\" (Savielly Tartakower)"},
    {"\"The mistakes are there, waiting to be made.\" (Savielly Tartakower)",
     "\"Gli errori sono li', in attesa di essere commessi.\" (Savielly Tartakower)"},
    {"\"In order to improve your game, you must study the endgame before everything else.\" (Jose Raul Capablanca)",
     "\"Per migliorare il proprio gioco bisogna studiare il finale prima di ogni altra cosa.\" (Jose Raul "
     "Capablanca)"},
    {"\"Before the endgame, the gods have placed the middlegame.\" (Siegbert Tarrasch)",
     "\"Prima del finale, gli dei hanno posto il mediogioco.\" (Siegbert Tarrasch)"},
    {"\"The passed pawn is a criminal, who should be kept under lock and key.\" (Aron Nimzowitsch)",
     "\"Il pedone passato e' un criminale, che va tenuto sotto chiave.\" (Aron Nimzowitsch)"},
    {"\"I don't believe in psychology. I believe in good moves.\" (Bobby Fischer)",
     "\"Non credo nella psicologia. Credo nelle buone mosse.\" (Bobby Fischer)"},
    {"\"You must take your opponent into a deep dark forest where 2+2=5, and the path leading out is only wide "
     "enough for one.\" (Mikhail Tal)",
     "\"Devi portare il tuo avversario in una foresta fitta e buia, dove 2+2=5 e il sentiero per uscirne e' largo "
     "abbastanza per uno solo.\" (Mikhail Tal)"},
    {"\"On the chessboard lies and hypocrisy do not survive long.\" (Emanuel Lasker)",
     "\"Sulla scacchiera la menzogna e l'ipocrisia non sopravvivono a lungo.\" (Emanuel Lasker)"},
    {"\"Chess, like love, like music, has the power to make men happy.\" (Siegbert Tarrasch)",
     "\"Gli scacchi, come l'amore, come la musica, hanno il potere di rendere felici gli uomini.\" (Siegbert "
     "Tarrasch)"},
    {"Wilhelm Steinitz became the first official World Chess Champion in 1886.",
     "Wilhelm Steinitz divenne il primo Campione del Mondo ufficiale di scacchi nel 1886."},
    {"Emanuel Lasker held the world title for 27 years, from 1894 to 1921.",
     "Emanuel Lasker detenne il titolo mondiale per 27 anni, dal 1894 al 1921."},
    {"The 'Immortal Game' was played by Adolf Anderssen and Lionel Kieseritzky in London in 1851.",
     "La 'Partita Immortale' fu giocata da Adolf Anderssen e Lionel Kieseritzky a Londra nel 1851."},
    {"The Italian Game is one of the oldest openings, dating back to the 16th century.'",
     "La Partita Italiana e' una delle aperture piu' antiche, risalente al XVI secolo.'"},
    {"Paul Morphy played his famous 'Opera Game' in a box at the Paris opera in 1858.",
     "Paul Morphy gioco' la sua celebre 'Partita dell'Opera' in un palco dell'Opera di Parigi nel 1858."},
    {"Jose Raul Capablanca took the world title from Emanuel Lasker in Havana in 1921.",
     "Jose Raul Capablanca strappo' il titolo mondiale a Emanuel Lasker all'Avana nel 1921."},
    {"Bobby Fischer won the world title in Reykjavik in 1972, defeating Boris Spassky.",
     "Bobby Fischer conquisto' il titolo mondiale a Reykjavik nel 1972, battendo Boris Spassky."},
    {"The French Defense was first used in a London-Paris match in 1834.'",
     "La Difesa Francese fu usata per la prima volta in una partita Londra-Parigi nel 1834.'"},
    {"In 1997 IBM's Deep Blue became the first computer to beat a reigning world champion, Garry Kasparov, in a "
     "match.",
     "Nel 1997 Deep Blue di IBM divenne il primo computer a battere in un match un campione del mondo in carica, "
     "Garry Kasparov."},
    {"Alexander Alekhine is the only World Champion who died while still holding the title, in 1946.",
     "Alexander Alekhine e' l'unico Campione del Mondo morto mentre deteneva ancora il titolo, nel 1946."},
    {"FIDE, the World Chess Federation, was founded in Paris in 1924.",
     "La FIDE, la Federazione Internazionale degli Scacchi, fu fondata a Parigi nel 1924."},
};

template <std::size_t N>
constexpr std::size_t size_of(const Phrase (&)[N]) {
  return N;
}

// The phrase memory keys and the callers' counts rest on these sizes.
static_assert(size_of(Welcome) == 7 && size_of(Draw) == 5 && size_of(Farewell) == 5, "fixed group sizes");
static_assert(size_of(Win) == 16 && size_of(Advantage) == 11 && size_of(Equal) == 12, "own phrase counts");
static_assert(size_of(Disadvantage) == 12 && size_of(Losing) == 13 && size_of(Mate) == 14, "own phrase counts");
static_assert(size_of(Fragments) == 30 && size_of(Quotes) == 20, "fragment and quotation counts");

struct Group {
  const char* key;
  const Phrase* own;
  std::size_t ownCount;
  const char* prefixEn;  // nullptr: no fragment-built phrases
  const char* prefixIt;
};

template <std::size_t N>
constexpr Group group(const char* key, const Phrase (&own)[N], const char* prefixEn = nullptr,
                      const char* prefixIt = nullptr) {
  return Group{key, own, N, prefixEn, prefixIt};
}

constexpr Group Groups[] = {
    group("wel", Welcome),
    group("dra", Draw),
    group("far", Farewell),
    group("win", Win, "Clear advantage: ", "Vantaggio netto: "),
    group("adv", Advantage, "Slight edge: ", "Piccolo vantaggio: "),
    group("eq", Equal, "Dynamic equality: ", "Parita' dinamica: "),
    group("dis", Disadvantage, "Defense required: ", "Difesa necessaria: "),
    group("los", Losing, "Critical position: ", "Posizione critica: "),
    group("mat", Mate, "Mate is in the air: ", "Matto in vista: "),
    group("gmq", Quotes),
};

typedef std::map<std::string, std::vector<std::string>> Lists;

// Lists keyed by group then "_en"/"_it", built once.
Lists build_lists() {
  Lists lists;
  for (const Group& g : Groups)
    for (bool italian : {false, true}) {
      std::vector<std::string>& list = lists[std::string(g.key) + (italian ? "_it" : "_en")];
      for (std::size_t i = 0; i < g.ownCount; ++i)
        list.emplace_back(italian ? g.own[i].it : g.own[i].en);
      if (g.prefixEn)
        for (const Phrase& f : Fragments)
          list.push_back(std::string(italian ? g.prefixIt : g.prefixEn) + (italian ? f.it : f.en));
    }
  return lists;
}

}  // namespace

namespace Talk {

const std::vector<std::string>& phrases(const std::string& group, bool italian) {
  static const Lists lists = build_lists();
  static const std::vector<std::string> none;

  const auto it = lists.find(group + (italian ? "_it" : "_en"));
  return it != lists.end() ? it->second : none;
}

}  // namespace Talk
