// The preset dictionary of format "~1": typical PGN text that every game is
// compressed against. Part of the format: changing one byte makes every packed
// line written before unreadable, so a new dictionary needs a new line mark.
// The text a game starts with stands last, where matches cost least.
#pragma once

#include <string_view>

namespace ppk {

inline constexpr char kPackDictionaryText[] =
    // Annotation and endings.
    " $1 $2 $3 $4 $5 $6 $10 $13 $14 $15 $16 $17 $18 $19 $32 $36 $40 $132 $146 "
    "!? ?! !! ?? +- -+ += =+ { } ( ) {White resigns} {Black resigns} {Draw agreed} "
    "{White wins} {Black wins} {Time forfeit} {Mate} {Stalemate} {Repetition} "
    "{The game is drawn} { with the idea } { is better } { and White wins } "
    "{ and Black wins } { threatening } { the only move } "
    "{[%clk 0:00:00]} {[%eval 0.00]} "
    // Late-game moves.
    "Kh1 Kg1 Kf1 Ke1 Kd1 Kc1 Kb1 Kh2 Kg2 Kf2 Ke2 Kd2 Kc2 Kh3 Kg3 Kf3 Ke3 Kd3 Kf4 Ke4 Kd4 "
    "Kh8 Kg8 Kf8 Ke8 Kd8 Kc8 Kb8 Kh7 Kg7 Kf7 Ke7 Kd7 Kc7 Kh6 Kg6 Kf6 Ke6 Kd6 Kf5 Ke5 Kd5 "
    "Rxa1 Rxb1 Rxc1 Rxd1 Rxe1 Rxf1 Rxa8 Rxb8 Rxc8 Rxd8 Rxe8 Rxf8 Rxd2 Rxe2 Rxd7 Rxe7 Rxb7 Rxb2 "
    "Qxd1 Qxd8 Qxd5 Qxd4 Qxe5 Qxe4 Qxf3 Qxf6 Qxb7 Qxb2 Qxh7+ Qxh2+ Qxg7# Qxg2# Qxf7+ Qxf2+ "
    "Bxf7+ Bxf2+ Bxh7+ Bxh2+ Bxf6 Bxf3 Bxe5 Bxe4 Bxd5 Bxd4 Bxc6 Bxc3 Bxb7 Bxb2 Bxg7 Bxg2 "
    "Nxe5 Nxe4 Nxd5 Nxd4 Nxf7 Nxf2 Nxc6 Nxc3 Nxb5 Nxb4 Nxg5 Nxg4 Nxh7 Nxh2 "
    "exd5 exd4 exf5 exf4 dxe5 dxe4 dxc5 dxc4 cxd5 cxd4 cxb5 cxb4 fxe5 fxe4 fxg6 gxf6 gxf3 "
    "gxh6 hxg6 hxg5 bxc6 bxc3 bxa6 axb5 axb4 "
    "Rad1 Rae1 Rac1 Rab1 Rfd1 Rfe1 Rfc1 Rfb1 Rad8 Rae8 Rac8 Rab8 Rfd8 Rfe8 Rfc8 Rfb8 "
    "Rd1 Re1 Rc1 Rb1 Rf1 Rd8 Re8 Rc8 Rb8 Rf8 Rd2 Re2 Rc2 Rd7 Re7 Rc7 Re3 Re6 Rf3 Rf6 Rh3 Rh6 "
    "Qe2 Qd2 Qc2 Qb3 Qf3 Qg4 Qh5 Qe7 Qd7 Qc7 Qb6 Qf6 Qg5 Qh4 Qa4 Qa5 Qd3 Qd6 Qe3 Qe6 Qc4 Qc5 "
    "Nbd2 Nbd7 Nge2 Nge7 Nd5 Nd4 Ne4 Ne5 Nc4 Nc5 Ng5 Ng4 Nf5 Nf4 Nb5 Nb4 Nh4 Nh5 Ne2 Ne7 "
    "Nd2 Nd7 Nf1 Nf8 Ng3 Ng6 Nc3 Nc6 Nb3 Nb6 Na3 Na6 Ne3 Ne6 Nh2 Nh7 "
    "Bg5 Bg4 Bf4 Bf5 Be2 Be7 Bd3 Bd6 Bc4 Bc5 Bb5 Bb4 Bb2 Bb7 Bg2 Bg7 Be3 Be6 Bd2 Bd7 Bf1 Bf8 "
    "Bh4 Bh5 Bh6 Bh3 Bc2 Bc7 Bb3 Bb6 Ba4 Ba5 Bf3 Bf6 Be4 Be5 Bd4 Bd5 Bc1 Bc8 Bg3 Bg6 "
    "a3 a4 a5 a6 b3 b4 b5 b6 c3 c4 c5 c6 d3 d4 d5 d6 e3 e4 e5 e6 f3 f4 f5 f6 g3 g4 g5 g6 h3 h4 "
    "h5 h6 O-O O-O-O a8=Q b8=Q c8=Q d8=Q e8=Q f8=Q g8=Q h8=Q a1=Q b1=Q c1=Q d1=Q e1=Q f1=Q "
    // Move numbers of the middle game.
    "41. 42. 43. 44. 45. 46. 47. 48. 49. 50. 31. 32. 33. 34. 35. 36. 37. 38. 39. 40. "
    "21. 22. 23. 24. 25. 26. 27. 28. 29. 30. 11. 12. 13. 14. 15. 16. 17. 18. 19. 20. "
    "10... 11... 12... 13... 14... 15... 16... 17... 18... 19... 20... "
    // Openings.
    "1. d4 Nf6 2. c4 e6 3. Nc3 Bb4 4. e3 O-O 5. Bd3 d5 6. Nf3 c5 7. O-O "
    "1. d4 d5 2. c4 e6 3. Nc3 Nf6 4. Bg5 Be7 5. e3 O-O 6. Nf3 Nbd7 7. Rc1 c6 "
    "1. d4 Nf6 2. c4 g6 3. Nc3 Bg7 4. e4 d6 5. Nf3 O-O 6. Be2 e5 7. O-O Nc6 8. d5 Ne7 "
    "1. e4 e6 2. d4 d5 3. Nc3 Nf6 4. e5 Nfd7 5. f4 c5 6. Nf3 Nc6 7. Be3 "
    "1. e4 c6 2. d4 d5 3. Nc3 dxe4 4. Nxe4 Bf5 5. Ng3 Bg6 "
    "1. e4 c5 2. Nf3 d6 3. d4 cxd4 4. Nxd4 Nf6 5. Nc3 a6 6. Be3 e5 7. Nb3 Be6 8. f3 "
    "1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5 4. c3 Nf6 5. d4 exd4 6. cxd4 Bb4+ 7. Nc3 "
    "1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. Ba4 Nf6 5. O-O Be7 6. Re1 b5 7. Bb3 d6 8. c3 O-O 9. h3 "
    "1.d4 Nf6 2.c4 e6 3.Nc3 Bb4 4.e3 O-O 5.Bd3 d5 6.Nf3 c5 7.O-O "
    "1.d4 d5 2.c4 e6 3.Nc3 Nf6 4.Bg5 Be7 5.e3 O-O 6.Nf3 Nbd7 7.Rc1 c6 "
    "1.d4 Nf6 2.c4 g6 3.Nc3 Bg7 4.e4 d6 5.Nf3 O-O 6.Be2 e5 7.O-O Nc6 8.d5 Ne7 "
    "1.e4 e6 2.d4 d5 3.Nc3 Nf6 4.e5 Nfd7 5.f4 c5 6.Nf3 Nc6 7.Be3 "
    "1.e4 c6 2.d4 d5 3.Nc3 dxe4 4.Nxe4 Bf5 5.Ng3 Bg6 "
    "1.e4 c5 2.Nf3 d6 3.d4 cxd4 4.Nxd4 Nf6 5.Nc3 a6 6.Be3 e5 7.Nb3 Be6 8.f3 "
    "1.e4 e5 2.Nf3 Nc6 3.Bc4 Bc5 4.c3 Nf6 5.d4 exd4 6.cxd4 Bb4+ 7.Nc3 "
    "1.e4 e5 2.Nf3 Nc6 3.Bb5 a6 4.Ba4 Nf6 5.O-O Be7 6.Re1 b5 7.Bb3 d6 8.c3 O-O 9.h3 "
    // Tag values.
    "[Opening \"Sicilian Defense\"]\r\n[Opening \"Ruy Lopez\"]\r\n[Opening \"French Defense\"]\r\n"
    "[Opening \"Caro-Kann Defense\"]\r\n[Opening \"Queen's Gambit Declined\"]\r\n"
    "[Opening \"Queen's Gambit Accepted\"]\r\n[Opening \"King's Indian Defense\"]\r\n"
    "[Opening \"Nimzo-Indian Defense\"]\r\n[Opening \"Queen's Indian Defense\"]\r\n"
    "[Opening \"Grunfeld Defense\"]\r\n[Opening \"Slav Defense\"]\r\n[Opening \"English "
    "Opening\"]\r\n"
    "[Opening \"Italian Game\"]\r\n[Opening \"Scotch Game\"]\r\n[Opening \"Petrov Defense\"]\r\n"
    "[Opening \"King's Gambit Accepted\"]\r\n[Opening \"Evans Gambit\"]\r\n"
    "[Opening \"Two Knights Defense\"]\r\n[Opening \"Dutch Defense\"]\r\n"
    "[Opening \"Pirc Defense\"]\r\n[Opening \"Benoni Defense\"]\r\n[Opening \"Catalan "
    "Opening\"]\r\n"
    "[Opening \"Queen's Pawn Game\"]\r\n[Opening \"Reti Opening\"]\r\n"
    "[Opening \"Bishop's Opening\"]\r\n[Opening \"Vienna Game\"]\r\n[Opening \"Philidor "
    "Defense\"]\r\n"
    "[Opening \"Alekhine Defense\"]\r\n[Opening \"Scandinavian Defense\"]\r\n"
    "[WhiteCountry \"USA\"]\r\n[BlackCountry \"RUS\"]\r\n[WhiteCountry \"GER\"]\r\n"
    "[BlackCountry \"ENG\"]\r\n[WhiteCountry \"FRA\"]\r\n[BlackCountry \"NED\"]\r\n"
    "[WhiteCountry \"HUN\"]\r\n[BlackCountry \"IND\"]\r\n[WhiteCountry \"CHN\"]\r\n"
    "[BlackCountry \"ESP\"]\r\n[WhiteCountry \"UKR\"]\r\n[BlackCountry \"NOR\"]\r\n"
    "[Annotator \"?\"]\r\n[WhiteTitle \"IM\"]\r\n[BlackTitle \"FM\"]\r\n[WhiteTitle \"WGM\"]\r\n"
    "[Event \"World Championship\"]\r\n[Event \"Olympiad\"]\r\n[Event \"Open\"]\r\n"
    "[Event \"Memorial\"]\r\n[Event \"Tournament\"]\r\n[Event \"Match\"]\r\n[Event \"Rated Blitz "
    "game\"]\r\n"
    "[Event \"Live Chess\"]\r\n[Site \"Chess.com\"]\r\n[Site \"lichess.org\"]\r\n"
    "[Site \"Internet INT\"]\r\n[Site \"London ENG\"]\r\n[Site \"Moscow URS\"]\r\n"
    "[Site \"New York, NY USA\"]\r\n[Site \"Berlin GER\"]\r\n[Site \"Amsterdam NED\"]\r\n"
    "[Site \"Wijk aan Zee NED\"]\r\n[Site \"Paris FRA\"]\r\n[Site \"Budapest HUN\"]\r\n"
    "[Date \"19\"]\r\n[Date \"2022.\"]\r\n[Date \"2023.\"]\r\n[Date \"2024.\"]\r\n"
    "[Round \"1\"]\r\n[Round \"2\"]\r\n[Round \"3\"]\r\n[Round \"4\"]\r\n[Round \"5\"]\r\n"
    "[Round \"6\"]\r\n[Round \"7\"]\r\n[Round \"8\"]\r\n[Round \"9\"]\r\n[Round \"1.1\"]\r\n"
    "[Result \"1-0\"]\r\n[Result \"0-1\"]\r\n[Result \"*\"]\r\n"
    "[ECO \"A\"]\r\n[ECO \"B\"]\r\n[ECO \"C\"]\r\n[ECO \"D\"]\r\n[ECO \"E\"]\r\n"
    // A whole tag section, in the usual order.
    "[Event \"?\"]\r\n[Site \"?\"]\r\n[Date \"????.??.??\"]\r\n[Round \"?\"]\r\n"
    "[White \"?\"]\r\n[Black \"?\"]\r\n[Result \"1/2-1/2\"]\r\n[WhiteTitle \"GM\"]\r\n"
    "[BlackTitle \"GM\"]\r\n[WhiteElo \"2\"]\r\n[BlackElo \"2\"]\r\n[ECO \"C\"]\r\n"
    "[Opening \"?\"]\r\n[PlyCount \"\"]\r\n\r\n1.e4 e5 2.Nf3 Nc6 1/2-1/2 1-0 0-1 *\r\n"
    "[Event \"";

inline constexpr std::string_view kPackDictionary(kPackDictionaryText,
                                                  sizeof kPackDictionaryText - 1);

}  // namespace ppk
