#include "DemoData.h"

#include <cstdio>

namespace pendrak::demo {

namespace {

const std::vector<const char*> kEnglishFirst = {
    "James", "John", "Robert", "Michael", "William", "David", "Richard", "Joseph", "Thomas", "Charles",
    "Mark", "Steven", "Paul", "Kevin", "Brian", "George", "Edward", "Ronald", "Gary", "Larry",
    "Mary", "Patricia", "Linda", "Barbara", "Susan", "Karen", "Nancy", "Lisa", "Donna", "Carol",
    "Scott", "Eric", "Jeff", "Dan", "Bill", "Bob", "Jim", "Tom", "Mike", "Dave"};
const std::vector<const char*> kEnglishLast = {
    "Smith", "Johnson", "Williams", "Brown", "Jones", "Miller", "Davis", "Wilson", "Anderson", "Taylor",
    "Thomas", "Moore", "Martin", "Jackson", "Thompson", "White", "Harris", "Clark", "Lewis", "Walker",
    "Hall", "Allen", "Young", "King", "Wright", "Hill", "Scott", "Green", "Baker", "Adams",
    "Nelson", "Carter", "Mitchell", "Roberts", "Turner", "Phillips", "Campbell", "Parker", "Evans", "Stewart"};

}  // namespace

const std::vector<Country>& DemoCountries() {
    static const std::vector<Country> countries = {
        {"United States", 35, {310, 311, 312, 313, 314, 315, 316}, {"K", "W", "N", "KD", "KE", "KF", "KB", "AA", "WA", "KC"},
         {{"California", {"Los Angeles", "San Diego", "Sacramento", "Fresno", "San Jose"}},
          {"Texas", {"Houston", "Dallas", "Austin", "San Antonio", "El Paso"}},
          {"Florida", {"Miami", "Orlando", "Tampa", "Jacksonville", "Hollywood"}},
          {"New York", {"Buffalo", "Rochester", "Albany", "Syracuse"}},
          {"Ohio", {"Columbus", "Cleveland", "Cincinnati", "Dayton"}},
          {"North Carolina", {"Charlotte", "Raleigh", "Asheville", "Canton", "Durham"}},
          {"Washington", {"Seattle", "Spokane", "Tacoma", "Olympia"}},
          {"Colorado", {"Denver", "Boulder", "Pueblo", "Aurora"}},
          {"Illinois", {"Chicago", "Peoria", "Springfield", "Naperville"}},
          {"Arizona", {"Phoenix", "Tucson", "Mesa", "Flagstaff"}}},
         kEnglishFirst, kEnglishLast},
        {"Germany", 10, {262, 263}, {"DL", "DO", "DK", "DB", "DG", "DJ", "DH", "DM"},
         {{"Bayern", {"München", "Nürnberg", "Augsburg", "Würzburg", "Regensburg"}},
          {"Hessen", {"Frankfurt", "Kassel", "Darmstadt", "Gießen"}},
          {"Sachsen", {"Dresden", "Leipzig", "Chemnitz", "Görlitz"}},
          {"Thüringen", {"Erfurt", "Jena", "Weimar", "Gera"}},
          {"Niedersachsen", {"Hannover", "Göttingen", "Osnabrück", "Lüneburg"}},
          {"Berlin", {"Berlin"}},
          {"Hamburg", {"Hamburg"}}},
         {"Jürgen", "Klaus", "Stefan", "Andreas", "Michael", "Thomas", "Uwe", "Jörg", "Günter", "Wolfgang",
          "Peter", "Frank", "Ralf", "Bernd", "Sabine", "Petra", "Monika", "Ute", "Björn", "Dieter"},
         {"Müller", "Schmidt", "Schneider", "Fischer", "Weber", "Meyer", "Wagner", "Becker", "Schulz",
          "Hoffmann", "Schäfer", "Koch", "Bauer", "Richter", "Klein", "Wolf", "Schröder", "Neumann",
          "Krüger", "Böhm"}},
        {"United Kingdom", 8, {234, 235}, {"M0", "M1", "M6", "G0", "G3", "G4", "G8", "2E0", "MM0", "MW0"},
         {{"England", {"London", "Manchester", "Bristol", "Leeds", "Norwich", "York"}},
          {"Scotland", {"Glasgow", "Edinburgh", "Aberdeen", "Dundee"}},
          {"Wales", {"Cardiff", "Swansea", "Newport", "Bangor"}},
          {"Northern Ireland", {"Belfast", "Derry", "Lisburn"}}},
         kEnglishFirst, kEnglishLast},
        {"France", 6, {208}, {"F1", "F4", "F5", "F6", "F8"},
         {{"Île-de-France", {"Paris", "Versailles", "Créteil", "Évry"}},
          {"Bretagne", {"Rennes", "Brest", "Quimper", "Saint-Malo"}},
          {"Occitanie", {"Toulouse", "Montpellier", "Nîmes", "Béziers"}},
          {"Normandie", {"Rouen", "Caen", "Le Havre", "Cherbourg"}}},
         {"François", "Jérôme", "Hélène", "Frédéric", "Stéphane", "Pierre", "Michel", "Jean", "André",
          "Céline", "Sébastien", "Thierry", "Éric", "Philippe"},
         {"Martin", "Bernard", "Dubois", "Thomas", "Robert", "Richard", "Petit", "Durand", "Lefèvre",
          "Moreau", "Laurent", "Girard", "Rousseau", "Lemaître"}},
        {"Canada", 5, {302}, {"VE3", "VE7", "VA3", "VE2", "VA7", "VE6", "VE9"},
         {{"Ontario", {"Toronto", "Ottawa", "Hamilton", "London"}},
          {"Quebec", {"Montréal", "Québec", "Laval", "Gatineau"}},
          {"British Columbia", {"Vancouver", "Victoria", "Kelowna"}},
          {"Alberta", {"Calgary", "Edmonton", "Red Deer"}}},
         kEnglishFirst, kEnglishLast},
        {"Spain", 5, {214}, {"EA1", "EA2", "EA3", "EA4", "EA5", "EA7", "EB", "EC"},
         {{"Cataluña", {"Barcelona", "Girona", "Lleida", "Tarragona"}},
          {"Andalucía", {"Sevilla", "Málaga", "Córdoba", "Granada", "Cádiz"}},
          {"Madrid", {"Madrid", "Alcalá", "Getafe"}},
          {"Galicia", {"A Coruña", "Vigo", "Lugo", "Ourense"}}},
         {"José", "Antonio", "Manuel", "Francisco", "Juan", "Jesús", "Javier", "Ángel", "Carlos", "Raúl",
          "María", "Carmen"},
         {"García", "Fernández", "González", "Rodríguez", "López", "Martínez", "Sánchez", "Pérez", "Gómez",
          "Martín", "Jiménez", "Ruiz"}},
        {"Italy", 5, {222}, {"IZ", "IK", "IW", "IU", "I"},
         {{"Lombardia", {"Milano", "Bergamo", "Brescia", "Como"}},
          {"Lazio", {"Roma", "Latina", "Viterbo"}},
          {"Toscana", {"Firenze", "Pisa", "Siena", "Livorno"}},
          {"Sicilia", {"Palermo", "Catania", "Messina"}}},
         {"Giuseppe", "Marco", "Luca", "Francesco", "Antonio", "Giovanni", "Roberto", "Paolo", "Niccolò",
          "Andrea"},
         {"Rossi", "Russo", "Ferrari", "Esposito", "Bianchi", "Romano", "Colombo", "Ricci", "Marino",
          "Greco"}},
        {"China", 5, {460}, {"BA", "BD", "BG", "BH", "BI", "BY"},
         {{"广东", {"广州", "深圳", "珠海", "佛山"}},
          {"四川", {"成都", "绵阳", "宜宾"}},
          {"浙江", {"杭州", "宁波", "温州"}},
          {"北京", {"北京"}},
          {"上海", {"上海"}}},
         {"伟", "芳", "娜", "敏", "静", "强", "磊", "洋", "勇", "军", "杰", "涛"},
         {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周"},
         true},
        {"Australia", 4, {505}, {"VK2", "VK3", "VK4", "VK5", "VK6"},
         {{"New South Wales", {"Sydney", "Newcastle", "Wollongong"}},
          {"Victoria", {"Melbourne", "Geelong", "Ballarat"}},
          {"Queensland", {"Brisbane", "Cairns", "Townsville"}},
          {"Western Aust.", {"Perth", "Bunbury"}}},
         kEnglishFirst, kEnglishLast},
        {"Netherlands", 3, {204}, {"PA", "PD", "PE", "PH"},
         {{"Noord-Holland", {"Amsterdam", "Haarlem", "Alkmaar"}},
          {"Zuid-Holland", {"Rotterdam", "Den Haag", "Leiden"}},
          {"Utrecht", {"Utrecht", "Amersfoort"}}},
         {"Jan", "Pieter", "Kees", "Hans", "Dirk", "Joost", "Henk", "Bram"},
         {"de Jong", "Jansen", "de Vries", "Bakker", "Visser", "Smit", "Meijer", "Mulder"}},
        {"Poland", 3, {260}, {"SP", "SQ", "SO"},
         {{"Mazowieckie", {"Warszawa", "Radom", "Płock"}},
          {"Małopolskie", {"Kraków", "Tarnów", "Nowy Sącz"}},
          {"Pomorskie", {"Gdańsk", "Gdynia", "Słupsk"}},
          {"Łódzkie", {"Łódź", "Piotrków"}}},
         {"Piotr", "Krzysztof", "Andrzej", "Tomasz", "Paweł", "Marcin", "Michał", "Łukasz", "Wojciech"},
         {"Nowak", "Kowalski", "Wiśniewski", "Wójcik", "Kamiński", "Lewandowski", "Zieliński", "Woźniak"}},
        {"Brazil", 3, {724}, {"PY1", "PY2", "PU2", "PP5", "PT9"},
         {{"São Paulo", {"São Paulo", "Campinas", "Santos"}},
          {"Paraná", {"Curitiba", "Londrina", "Maringá"}},
          {"Rio de Janeiro", {"Niterói", "Petrópolis"}}},
         {"João", "José", "Antônio", "Paulo", "Luís", "Marcos", "Sérgio", "Fábio"},
         {"Silva", "Santos", "Oliveira", "Souza", "Pereira", "Lima", "Gonçalves", "Araújo"}},
        {"Japan", 3, {440}, {"JA1", "JH1", "JR2", "JE3", "JF6", "JO1"},
         {{"Tokyo", {"Tokyo", "Hachioji"}},
          {"Osaka", {"Osaka", "Sakai"}},
          {"Aichi", {"Nagoya", "Toyota"}},
          {"Hokkaido", {"Sapporo", "Hakodate"}}},
         {"Hiroshi", "Takashi", "Kenji", "Satoshi", "Makoto", "Akira", "Yuki", "Kazuo"},
         {"Sato", "Suzuki", "Takahashi", "Tanaka", "Watanabe", "Ito", "Yamamoto", "Nakamura"}},
        {"Sweden", 2, {240}, {"SA", "SM", "SK"},
         {{"Västergötland", {"Göteborg", "Borås", "Trollhättan"}},
          {"Skåne", {"Malmö", "Lund", "Helsingborg"}},
          {"Västmanland", {"Västerås", "Köping"}}},
         {"Lars", "Anders", "Björn", "Per", "Åke", "Göran", "Håkan", "Mikael"},
         {"Andersson", "Johansson", "Karlsson", "Nilsson", "Eriksson", "Larsson", "Öberg", "Lindström"}},
        {"Denmark", 2, {238}, {"OZ", "OU", "5Q"},
         {{"Hovedstaden", {"København", "Hillerød"}},
          {"Midtjylland", {"Århus", "Herning", "Viborg"}},
          {"Nordjylland", {"Ålborg", "Hjørring"}}},
         {"Søren", "Jens", "Niels", "Lars", "Henrik", "Ole", "Jørgen"},
         {"Jensen", "Nielsen", "Hansen", "Pedersen", "Andersen", "Sørensen", "Møller"}},
        {"Norway", 1, {242}, {"LA", "LB", "LC"},
         {{"Troms", {"Tromsø", "Harstad"}},
          {"Nordland", {"Bodø", "Narvik"}},
          {"Oslo", {"Oslo"}}},
         {"Ole", "Bjørn", "Knut", "Håkon", "Arne", "Øyvind"},
         {"Hansen", "Johansen", "Olsen", "Larsen", "Berg", "Haugen"}},
    };
    return countries;
}

int WriteOutput(const char* program, const std::string& output, const std::string& text) {
    std::FILE* out = output.empty() ? stdout : std::fopen(output.c_str(), "wb");
    if (!out) {
        std::perror((std::string(program) + ": " + output).c_str());
        return 1;
    }
    const bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if ((out != stdout ? std::fclose(out) : std::fflush(out)) != 0 || !ok) {
        std::perror(
            (std::string(program) + ": " + (output.empty() ? std::string("stdout") : output))
                .c_str());
        return 1;
    }
    return 0;
}

}  // namespace pendrak::demo
